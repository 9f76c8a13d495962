// SPDX-License-Identifier: MIT
#include <QProcess>
#include <QtTest>

class tst_Output : public QObject
{
    Q_OBJECT

private slots:
    void writer_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::addColumn<int>("status"); // -1: died

        // The lines written before the fatal message must not be lost in the stream's buffer.
        QTest::newRow("messages") << "messages"
                                  << QByteArray("Client Strasse\t \"\" \n"
                                                "Nummer ist falsch:  \"a\"b\tc?.\" \n"
                                                "-42 \n"
                                                "\"Z\xc3\xbcrich\" <br><br> \n"
                                                "Client Ort\t \"Bern\" \n \n")
                                  << QByteArray(
                                             "Warning: careful\nCritical: serious\nFatal: stop\n")
                                  << -1;
        const QByteArray time = "tarvik: Abbruch: Der Lauf hat das Zeitlimit \xc3\xbc"
                                "berschritten.\n";
        const QByteArray memory = "tarvik: Abbruch: Der Lauf hat die Speichergrenze "
                                  "\xc3\xbc"
                                  "berschritten.\n";
        QTest::newRow("memory") << "memory" << QByteArray("last words\n") << memory << 4;
        QTest::newRow("kick") << "kick" << QByteArray("alive\n") << time << 0;
        // An answer under way is finished first, and then it is the answer.
        QTest::newRow("answer") << "answer" << QByteArray("first half\nsecond half\n") << time << 0;
    }

    void writer()
    {
        QFETCH(QString, scenario);
        QProcess writer;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        // Rules that silence debug messages, as some distributions ship them, must not silence the
        // program's output.
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.debug=false"));
        writer.setProcessEnvironment(environment);
        writer.start(QStringLiteral(OUTPUT_WRITER), {scenario});
        QVERIFY(writer.waitForFinished(10000));

        QTEST(writer.readAllStandardOutput(), "out");
        QTEST(writer.readAllStandardError(), "err");
        QTEST(writer.exitStatus() == QProcess::CrashExit ? -1 : writer.exitCode(), "status");
    }
};

QTEST_GUILESS_MAIN(tst_Output)
#include "tst_output.moc"
