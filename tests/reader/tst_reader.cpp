// SPDX-License-Identifier: MIT
// The real program reading a virtual card through a real pcscd: each row in namespaces of its own
// (tests/pcscns.sh), with the virtual cards (hin-vcard) in the readers from the start and, where
// the row asks for it, the stand-in on the HIN Client's port. Each test function runs as a CTest
// test of its own (see CMakeLists.txt), beside the others.

#include "testliterals.h"

#include <QProcess>
#include <QtTest>

namespace {

const QByteArray unreadable = "{\"outcome\":\"failed\",\"message\":\"Die Karte kann nicht gelesen "
                              "werden. Ist sie richtig herum gesteckt? Bitte die Karte stecken "
                              "lassen, bis sie gelesen ist.\",\"detail\":\"";
const QByteArray notInsuranceCard =
        "{\"outcome\":\"failed\",\"message\":\"Die Karte ist keine Schweizer Versichertenkarte.\"";
const QByteArray cancelled = "\"message\":\"Das Lesen der Karte wurde abgebrochen.\",\"detail\":"
                             "\"SCARD_E_CANCELLED\"}\n4\n";

// What the rows' commands may use: $t the program, $q the program with the card's waits
// shortened (2 s for a card, 3 s to read it, 0.2 s for an error popup); standin [options] starts
// the stand-in; hold S has another program hold the card in the first reader for S seconds; caught
// P waits until process P catches SIGTERM; waiting waits until a program waits in pcscd for a
// change in the readers.
const char harness[] =
        "v=$0 t=$1 q=$2 s=$3 h=$4; shift 4;"
        " standin() { \"$s\" --port 5016 --log \"$@\" >/run/pcscd/standin 2>/run/pcscd/requests &"
        " until grep -q listening /run/pcscd/standin; do sleep 0.05; done; };"
        " hold() { /usr/bin/python3 \"$h\" $1 >/run/pcscd/held &"
        " until grep -q held /run/pcscd/held; do sleep 0.05; done; };"
        " caught() { until [ $((0x$(sed -n 's/^SigCgt:\\t*//p' /proc/$1/status) >> 14 & 1)) = 1 ];"
        " do sleep 0.05; done; };"
        " waiting() { until grep -q CMD_WAIT_READER_STATE /run/pcscd/harness.log; do sleep 0.05;"
        " done; };"
        " p=35963; for c; do [ \"$c\" = - ] || \"$v\" --port $p " CARDS "/$c & p=$((p + 1)); done;"
        " eval \"$COMMAND\"; echo $?";

// Standard output and the exit status of the command, the cards ("a+b": a card for each reader,
// "-" none) in the readers from the start.
QByteArray run(const QString &readers, const QString &cards, const QString &command)
{
    QProcess shell;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("COMMAND"_s, command);
    shell.setProcessEnvironment(environment);
    shell.start("sh"_s,
                QStringList{PCSCNS ""_s, "--readers"_s, readers, "sh"_s, "-c"_s,
                            QString::fromUtf8(harness), VCARD_PROGRAM ""_s, TARVIK_PROGRAM ""_s,
                            QUICK_PROGRAM ""_s, STANDIN_PROGRAM ""_s, HOLD_CARD ""_s}
                        + cards.split(QLatin1Char('+'), Qt::SkipEmptyParts));
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
        QTest::addColumn<QString>("cards");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("out"); // what standard output holds, the status its end
    }
    static void row(const char *name, const char *cards, const char *command, const QByteArray &out,
                    const char *readers = "vpcd")
    {
        QTest::newRow(name) << QString::fromUtf8(readers) << QString::fromUtf8(cards)
                            << QString::fromUtf8(command) << out;
    }

private Q_SLOTS:
    // Cards that are read, by the program as it is.
    void reads_data()
    {
        columns();
        row("record, as for its number", "regular", "standin; \"$t\" --reader",
            "= standin; \"$t\" 80756000080000000001");
        row("record and chip", "regular", "standin; \"$t\" --reader --json",
            "\"ahv\":\"756.3047.5009.62\"},\"chip\":{\"cardNumber\":\"80756000080000000001\","
            "\"insurer\":\"Krankenkasse S\xc3\xa4ntis\",\"bagNumber\":\"00008\",\"expiryDate\":"
            "\"31.12.2030\",\"expired\":false,\"lastName\":\"M\xc3\xbcller-L\xc3\xbc"
            "denscheidt\"");
        const QByteArray regular = "{\"outcome\":\"read\",\"chip\":{\"cardNumber\":"
                                   "\"80756000080000000001\",\"insurer\":\"Krankenkasse S\xc3\xa4"
                                   "ntis\",\"bagNumber\":\"00008\",\"expiryDate\":\"31.12.2030\","
                                   "\"expired\":false,\"lastName\":\"M\xc3\xbcller-L\xc3\xbc"
                                   "denscheidt\",\"firstName\":\"Anna-Lena\"";
        // A staff card in the first reader does not end the wait; the patient's comes after 3 s.
        row("staff card, then the patient's", "egk+late", "\"$t\" --read-card", regular);
        row("eGK beside umlauts", "egk+umlauts", "\"$t\" --read-card",
            "\"lastName\":\"B\xc3\xa4"
            "chtold-Gr\xc3\xb6\xc3\x9fli\",\"firstName\":\"J\xc3\xbcrg \xc3\x84gidius\"");
        row("latin1 in the second reader, --json first", "-+latin1", "\"$t\" --json --read-card",
            "\"lastName\":\"Gerber-J\xc3\xa4ggi\",\"firstName\":\"Zo\xc3\xab Fran\xc3\xa7oise\"");
        row("NUL and byte order mark", "nul-bom", "\"$t\" --read-card", regular);
        row("82 LL LL over 255 bytes", "large", "\"$t\" --read-card", regular);
        row("expired", "expired", "\"$t\" --read-card",
            "\"expiryDate\":\"31.12.2024\",\"expired\":true");
        row("strict Le", "strict-le", "\"$t\" --read-card",
            "\"birthDate\":\"09.07.1984\",\"sex\":\"weiblich\",\"ahv\":\"756.3047.5009.62\"}}\n0");
        row("bounce, read again", "bounce", "\"$t\" --read-card", regular);
        row("held by another program for a moment", "regular", "hold 0.5; \"$t\" --read-card",
            regular);
    }
    void reads() { check(); }

    // Cards that end the wait at once, unread, with the error popup shortened.
    void refusals_data()
    {
        columns();
        row("no service", "", "\"$q\" --json --reader",
            "{\"outcome\":\"failed\",\"message\":\"Der Kartenleser-Dienst (PC/SC) l\xc3\xa4uft "
            "nicht. Die Karte kann nicht gelesen werden.\",\"detail\":\"SCARD_E_NO_SERVICE\"}\n4\n",
            "no-service");
        row("overrun", "overrun", "\"$q\" --read-card",
            "\"Die Daten auf der Karte sind fehlerhaft. Bitte die Kartennummer von Hand "
            "eingeben.\"");
        row("pulled", "pulled", "\"$q\" --json --reader",
            unreadable + "SCARD_E_NO_SMARTCARD\"}\n4\n");
        row("mute", "mute", "\"$q\" --read-card", unreadable + "SCARD_F_COMM_ERROR\"}\n4\n");
        row("reversed", "reversed", "\"$q\" --read-card",
            unreadable + "SCARD_E_PROTO_MISMATCH\"}\n4\n");
        row("silent, read limit", "silent", "\"$q\" --read-card",
            unreadable + "SCARD_E_TIMEOUT\"}\n4\n");
        row("held by another program past the limit", "regular", "hold 5; \"$q\" --read-card",
            "{\"outcome\":\"failed\",\"message\":\"Die Karte wird von einem anderen Programm "
            "verwendet. Bitte das andere Programm schliessen und die Karte erneut lesen.\","
            "\"detail\":\"SCARD_E_SHARING_VIOLATION\"}\n4\n");
    }
    void refusals() { check(); }

    // The wait, shortened, ends: without a reader, or with cards of another kind only.
    void waits_data()
    {
        columns();
        row("no reader", "", "\"$q\" --json --reader",
            "{\"outcome\":\"failed\",\"message\":\"Kein Kartenleser gefunden. Ist der "
            "Kartenleser angeschlossen?\",\"detail\":\"SCARD_E_NO_READERS_AVAILABLE\"}\n4\n",
            "none");
        row("eGK, text", "egk", "\"$q\" --reader", "0\n");
        row("eGK", "egk", "\"$q\" --json --reader", notInsuranceCard + ",\"detail\":\"\"}\n4\n");
        row("no files", "nofiles", "\"$q\" --read-card",
            notInsuranceCard + ",\"detail\":\"6A82\"}\n4\n");
    }
    void waits() { check(); }

    // Ends from outside: pcscd, and the signals that ask a run to stop.
    void ends_data()
    {
        columns();
        row("pcscd dies", "", "\"$q\" --json --reader & waiting; kill -9 $PCSCNS_PCSCD; wait $!",
            "{\"outcome\":\"failed\",\"message\":\"Der Kartenleser-Dienst (PC/SC) l\xc3\xa4uft "
            "nicht. Die Karte kann nicht gelesen "
            "werden.\",\"detail\":\"SCARD_E_NO_SERVICE\"}\n4\n");
        row("SIGTERM", "", "\"$t\" --json --reader & caught $!; kill -TERM $!; wait $!",
            "{\"outcome\":\"failed\"," + cancelled);
        row("SIGHUP", "", "\"$t\" --read-card & caught $!; kill -HUP $!; wait $!",
            "{\"outcome\":\"failed\"," + cancelled);
        row("SIGINT, text", "", "\"$t\" --reader & caught $!; kill -INT $!; wait $!", "0\n");
        // The failure's popup is up for 8 s: the one line stands.
        row("SIGTERM after the answer", "overrun",
            "\"$t\" --read-card >/run/pcscd/out & until [ -s /run/pcscd/out ]; do sleep 0.05; done;"
            " kill -TERM $!; wait $!; s=$?; cat /run/pcscd/out; (exit $s)",
            "{\"outcome\":\"failed\",\"message\":\"Die Daten auf der Karte sind fehlerhaft. Bitte "
            "die Kartennummer von Hand eingeben.\",\"detail\":\"\"}\n4\n");
        row("SIGTERM in the lookup", "regular",
            "standin --delay-ms 20000; \"$t\" --json --reader & until grep -q GET "
            "/run/pcscd/requests; do sleep 0.05; done; kill -TERM $!; wait $!",
            "{\"card\":\"80756000080000000001\",\"outcome\":\"cancelled\",\"message\":"
            "\"Abgebrochen, bevor die Antwort da war.\",\"chip\":{");
    }
    void ends() { check(); }

    // The program's own wait of 60 s, for a test of its own outside the usual ones.
    void slow_data()
    {
        columns();
        row("no card", "", "\"$t\" --json --reader",
            "{\"outcome\":\"failed\",\"message\":\"Es wurde keine Karte gesteckt. Die Wartezeit "
            "ist abgelaufen.\",\"detail\":\"SCARD_E_TIMEOUT\"}\n4\n");
    }
    void slow()
    {
        QElapsedTimer clock;
        clock.start();
        check();
        QVERIFY(clock.elapsed() >= 60000);
    }

private:
    void check()
    {
        QFETCH(QString, readers);
        QFETCH(QString, cards);
        QFETCH(QString, command);
        QFETCH(QByteArray, out);
        const QByteArray got = run(readers, cards, command);
        if (out.startsWith("= ")) {
            const QByteArray number = run(readers, QString(), QString::fromUtf8(out.mid(2)));
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
