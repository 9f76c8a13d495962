#include <QProcess>
#include <QtTest>

class tst_Output : public QObject
{
    Q_OBJECT

private slots:
    void linesAndPrefixesAreExact();
};

void tst_Output::linesAndPrefixesAreExact()
{
    QProcess writer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    // Rules that silence debug messages, as some distributions ship them, must not silence the
    // program's output.
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.debug=false"));
    writer.setProcessEnvironment(environment);
    writer.start(QStringLiteral(OUTPUT_WRITER), QStringList());
    QVERIFY(writer.waitForFinished(60000));

    // The lines written before the fatal message must not be lost in the stream's buffer.
    QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
    QCOMPARE(writer.readAllStandardOutput(), QByteArray("Client Strasse\t \"\" \n"
                                                        "Nummer ist falsch:  \"a\"b\tc?.\" \n"
                                                        "-42 \n"
                                                        "\"Z\xc3\xbcrich\" <br><br> \n"
                                                        "Client Ort\t \"Bern\" \n \n"));
    QCOMPARE(writer.readAllStandardError(), QByteArray("Warning: careful\nFatal: stop\n"));
}

QTEST_GUILESS_MAIN(tst_Output)
#include "tst_output.moc"
