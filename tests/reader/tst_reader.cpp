// SPDX-License-Identifier: MIT
// The real program reading a virtual card through a real pcscd: each row in namespaces of its own
// (tests/pcscns.sh), with the virtual card (hin-vcard) and the stand-in on the HIN Client's port.

#include "testliterals.h"
#include <QProcess>

#include <QtTest>

namespace {

const QByteArray unreadable = "{\"outcome\":\"failed\",\"message\":\"Die Karte kann nicht gelesen "
                              "werden. Ist sie richtig herum gesteckt? Bitte die Karte stecken "
                              "lassen, bis sie gelesen ist.\",\"detail\":\"";
const QByteArray notInsuranceCard =
        "{\"outcome\":\"failed\",\"message\":\"Die Karte ist keine Schweizer Versichertenkarte.\"";

// Standard output and the exit status of the program, the cards in the readers from the start.
QByteArray run(const QString &readers, const QString &card, const QStringList &arguments)
{
    const QString script =
            QStringLiteral("\"$0\" --port 5016 >/run/pcscd/standin & v=$1 t=$2; shift 2;"
                           " until grep -q listening /run/pcscd/standin; do sleep 0.05; done;"
                           " p=35963; for c in $CARDS; do \"$v\" --port $p $c & p=$((p + 1)); done;"
                           " sleep 0.5; \"$t\" \"$@\"; echo $?");
    QProcess shell;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &name : card.split(QLatin1Char('+'), Qt::SkipEmptyParts)) // one a reader
        environment.insert("CARDS"_s,
                           environment.value("CARDS"_s) + QStringLiteral(" " CARDS "/") + name);
    shell.setProcessEnvironment(environment);
    shell.start("sh"_s, QStringList{QStringLiteral(PCSCNS), "--readers"_s, readers, "sh"_s, "-c"_s,
                                    script, QStringLiteral(STANDIN_PROGRAM),
                                    QStringLiteral(VCARD_PROGRAM), QStringLiteral(TARVIK_PROGRAM)}
                                + arguments);
    return shell.waitForFinished(90000) ? shell.readAllStandardOutput()
                                        : QByteArray("the run did not end on its own");
}

} // namespace

class tst_Reader : public QObject
{
    Q_OBJECT

    static void columns()
    {
        QTest::addColumn<QString>("readers");
        QTest::addColumn<QString>("card");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("out"); // what standard output holds, the status its end
    }

private Q_SLOTS:
    // The program's own wait of 60 s for a reader and a card; run as a test of its own, beside
    // the rest.
    void waits_data()
    {
        columns();
        QTest::newRow("no reader")
                << "none" << QString() << QStringList{"--json"_s, "--reader"_s}
                << QByteArray(
                           "{\"outcome\":\"failed\",\"message\":\"Kein Kartenleser gefunden. Ist "
                           "der Kartenleser angeschlossen?\",\"detail\":"
                           "\"SCARD_E_NO_READERS_AVAILABLE\"}\n4\n");
        QTest::newRow("no card") << "vpcd" << QString() << QStringList{"--reader"_s}
                                 << QByteArray("0\n");
    }
    void waits() { reader(); }

    void reader_data()
    {
        columns();
        const QStringList json{"--json"_s, "--reader"_s}, chip{"--read-card"_s};
        QTest::newRow("record, as for its number")
                << "vpcd"
                << "regular" << QStringList{"--reader"_s} << QByteArray("= 80756000080000000001");
        QTest::newRow("record and chip")
                << "vpcd"
                << "regular" << QStringList{"--reader"_s, "--json"_s}
                << QByteArray("\"ahv\":\"756.3047.5009.62\"},\"chip\":{\"cardNumber\":"
                              "\"80756000080000000001\",\"insurer\":\"Krankenkasse S\xc3\xa4ntis\","
                              "\"bagNumber\":\"00008\",\"expiryDate\":\"31.12.2030\",\"expired\":"
                              "false,\"lastName\":\"M\xc3\xbcller-L\xc3\xbc"
                              "denscheidt\"");
        QTest::newRow("eGK beside umlauts")
                << "vpcd"
                << "egk+umlauts" << chip
                << QByteArray("\"lastName\":\"B\xc3\xa4"
                              "chtold-Gr\xc3\xb6\xc3\x9fli\",\"firstName\":\"J\xc3"
                              "\xbcrg \xc3\x84gidius\"");
        QTest::newRow("latin1") << "vpcd"
                                << "latin1" << chip
                                << QByteArray("\"lastName\":\"Gerber-J\xc3\xa4ggi\",\"firstName\":"
                                              "\"Zo\xc3\xab Fran\xc3\xa7oise\"");
        QTest::newRow("expired") << "vpcd"
                                 << "expired" << chip
                                 << QByteArray("\"expiryDate\":\"31.12.2024\",\"expired\":true");
        QTest::newRow("late card") << "vpcd"
                                   << "late" << chip
                                   << QByteArray("{\"outcome\":\"read\",\"chip\":{\"cardNumber\":"
                                                 "\"80756000080000000001\"");
        QTest::newRow("strict Le")
                << "vpcd"
                << "strict-le" << chip
                << QByteArray("\"birthDate\":\"09.07.1984\",\"sex\":\"weiblich\","
                              "\"ahv\":\"756.3047.5009.62\"}}\n0");
        QTest::newRow("no service")
                << "no-service" << QString() << json
                << QByteArray(
                           "{\"outcome\":\"failed\",\"message\":\"Der Kartenleser-Dienst (PC/SC) "
                           "l\xc3\xa4uft nicht. Die Karte kann nicht gelesen werden.\",\"detail\":"
                           "\"SCARD_E_NO_SERVICE\"}\n4\n");
        QTest::newRow("eGK, text") << "vpcd"
                                   << "egk" << QStringList{"--reader"_s} << QByteArray("0\n");
        QTest::newRow("eGK") << "vpcd"
                             << "egk" << json << notInsuranceCard + ",\"detail\":\"\"}\n4\n";
        QTest::newRow("no files") << "vpcd"
                                  << "nofiles" << chip << notInsuranceCard;
        QTest::newRow("overrun") << "vpcd"
                                 << "overrun" << chip
                                 << QByteArray(
                                            "\"Die Daten auf der Karte sind fehlerhaft. Bitte die "
                                            "Kartennummer von Hand eingeben.\"");
        QTest::newRow("pulled") << "vpcd"
                                << "pulled" << json << unreadable + "SCARD_E_NO_SMARTCARD\"}\n4\n";
        QTest::newRow("bounce, read again")
                << "vpcd"
                << "bounce" << chip << QByteArray("{\"outcome\":\"read\",\"chip\":{");
        QTest::newRow("mute") << "vpcd"
                              << "mute" << chip << unreadable + "SCARD_F_COMM_ERROR\"}\n4\n";
        QTest::newRow("silent, read limit")
                << "vpcd"
                << "silent" << chip << unreadable + "SCARD_E_TIMEOUT\"}\n4\n";
        QTest::newRow("reversed") << "vpcd"
                                  << "reversed" << chip
                                  << unreadable + "SCARD_E_PROTO_MISMATCH\"}\n4\n";
    }

    void reader()
    {
        QFETCH(QString, readers);
        QFETCH(QString, card);
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, out);
        const QByteArray got = run(readers, card, arguments);
        if (out.startsWith("= ")) {
            const QByteArray number = run(readers, QString(), {QString::fromLatin1(out.mid(2))});
            QVERIFY(number.size() > 300);
            QCOMPARE(got, number);
        } else if (out.endsWith('\n')) {
            QCOMPARE(got, out);
        } else {
            QVERIFY2(got.contains(out), got.constData());
        }
    }
};

QTEST_GUILESS_MAIN(tst_Reader)
#include "tst_reader.moc"
