// SPDX-License-Identifier: MIT
// The program, run the way calling programs run it: standard output byte for byte, the exit
// status, and the lines of standard error. Each row is a bash command line ("$T" is the program,
// "$R" the real one, "$S" the stand-in's, "$W" the output writer, "$E" the README's examples); the
// rows of a function all start at once, so that the popups they keep open for up to 30 s overlap
// rather than add up. The rows of lookup() ask the stand-in this test runs on the HIN Client's
// port; it also serves the odd replies in which Qt 5 and Qt 6 differ unless the tool makes them
// agree. The bytes pinned here are the Qt 5 build's, and the Qt 6 build runs the same rows. The
// rows of offline() and writer() run outside the port's namespace (see CMakeLists.txt).

#include "testliterals.h"
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <QtTest>

namespace {

const QByteArray anna = "80756000080000000001", unknown = "80756000080000000060",
                 problem = "80756000080000000067", closes = "80756000000000000100",
                 stalls = "80756000000000000999";
// Where the redirect row sends the request: another host, which the card number must not reach.
const QByteArray moved = "http://elsewhere.example/moved";

QByteArray http(const QByteArray &status, const QByteArray &body, const QByteArray &fields = {})
{
    return "HTTP/1.1 " + status + "\r\n" + fields + "Content-Length: "
           + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

QByteArray sample(const QByteArray &card)
{
    QFile file(QStringLiteral(STANDIN_SAMPLES "/") + QString::fromLatin1(card) + ".xml"_s);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray gzip(const QByteArray &data)
{
    QProcess gzip;
    gzip.start(QStringLiteral("gzip"), {"-c"_s});
    gzip.write(data);
    gzip.closeWriteChannel();
    return gzip.waitForFinished() ? gzip.readAllStandardOutput() : QByteArray();
}

QByteArray json(const QByteArray &card, const QByteArray &outcome, const QByteArray &rest)
{
    return R"({"card":")" + card + R"(","outcome":")" + outcome + "\"," + rest + "}\n";
}

// Anna's record as the default mode writes it, and as the JSON form does.
const QByteArray annaText =
        "Ofac ID\t \"1234567\" \n \nVersicherer Name\t \"Krankenkasse Säntis\" \n \nClient Name\t "
        "\"Müller-Lüdenscheidt\" \n \nClient Vorname\t \"Anna-Lena\" \n \nClient Geburtsdatum\t "
        "\"09.07.1984\" \n \nClient Strasse\t \"Seefeldstrasse 123\" \n \nClient PLZ\t \"8008\" \n "
        "\nClient Ort\t \"Zürich\" \n \nClient Staat\t \"CH\" \n \nClient Vers.Nr\t "
        "\"A-204.118.37\" \n \nClient Geschlecht\t \"weiblich\" \n \nClient AHV\t "
        "\"756.3047.5009.62\" \n \n";
const QByteArray annaJson =
        json(anna, "found",
             R"("record":{"ofacId":"1234567","insurer":"Krankenkasse Säntis","lastName":)"
             R"("Müller-Lüdenscheidt","firstName":"Anna-Lena","birthDate":"09.07.1984",)"
             R"("street":"Seefeldstrasse 123","postcode":"8008","town":"Zürich","country":"CH",)"
             R"("insuranceNumber":"A-204.118.37","sex":"weiblich","ahv":"756.3047.5009.62"})");

const QByteArray undeliverable =
        "tarvik: Die Antwort konnte nicht auf die Standardausgabe geschrieben werden.";

} // namespace

class tst_EndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The popups close at once but for the entry that waits them out (see CMakeLists.txt).
        qputenv("T", qEnvironmentVariableIsSet("TARVIK_TEST_REAL_TIME") ? TARVIK_PROGRAM
                                                                        : QUICK_PROGRAM);
        qputenv("E", EXAMPLES);
        qputenv("S", STANDIN_PROGRAM);
        qputenv("W", OUTPUT_WRITER);
        qputenv("R", TARVIK_PROGRAM); // for batches, which show no popup
        // Rules that silence debug messages, as some distributions ship them, must not silence
        // the program's output.
        qputenv("QT_LOGGING_RULES", "*.debug=false");
        // Every JSON line also holds to the schema published for calling programs: one verdict
        // line for each, from a checker that loads while the first rows run.
        schema.start(QStringLiteral("python3"),
                     {"-c"_s,
                      "import json, sys, jsonschema\n"
                      "s = json.load(open(sys.argv[1]))\n"
                      "for line in sys.stdin:\n"
                      "    try:\n"
                      "        jsonschema.validate(json.loads(line), s)\n"
                      "        print('valid', flush=True)\n"
                      "    except Exception as error:\n"
                      "        print(str(error).splitlines()[0], flush=True)\n"_s,
                      QStringLiteral(SCHEMA)});
    }

    void cleanupTestCase()
    {
        schema.closeWriteChannel();
        QVERIFY(schema.waitForFinished());
    }

    void offline_data()
    {
        columns();
        // The rejection popup closes itself after five seconds, and with it the run ends.
        row("rejected number", "\"$T\" '80756 123'", "Nummer ist falsch:  \"80756 123\" \n", 0);
        row("card cut in an emoji", "\"$T\" $'8075600008000000000\\xf0\\x9f\\x98\\x80'",
            "Nummer ist falsch:  \"8075600008000000000?\" \n", 0);
        row("empty card", "\"$T\" ''", "Nummer ist falsch:  \"\" \n", 0);
        row("JSON rejected", "\"$T\" --json ' Karte 80756 123 '",
            json("80756 123", "rejected",
                 "\"message\":\"Die Nummer enthält ungültige Zeichen. Es dürfen nur Zahlen "
                 "sein.\""),
            3);
        row("version", "\"$T\" --version",
            "tarvik " TARVIK_VERSION "\nCopyright (c) 2026 the tarvik authors\nLicense: MIT "
            "<https://opensource.org/licenses/MIT>\nThis is free software: you are free to change "
            "and redistribute it.\nThere is NO WARRANTY, to the extent permitted by law.\n",
            0);
        row("help in French", "LC_ALL=fr_CH.UTF-8 \"$T\" --help | head -n 1",
            "Utilisation : tarvik <numéro de carte>\n", 0);
        // Without the toolkit, which ignores SIGPIPE for its sockets anyway.
        row("reader gone", "{ sleep 0.3; \"$T\" --version; } | true", {}, 1, undeliverable);
        const QByteArray usageLine = "Aufruf: tarvik <Kartennummer> | --json <Kartennummer> | "
                                     "--batch [--jobs N]   (tarvik --help zeigt mehr)";
        row("only toolkit options", "\"$T\" -style fusion", {}, 2, usageLine);
        const auto usage = [&](const char *name, const QByteArray &arguments, const char *error) {
            row(name, "\"$T\" " + arguments, {}, 2,
                "tarvik: " + QByteArray(error) + '\n' + usageLine);
        };
        usage("jobs 0", "--batch --jobs 0", "--jobs verlangt eine Zahl von 1 bis 6, nicht \"0\".");
        usage("jobs 7", "--batch --jobs 7", "--jobs verlangt eine Zahl von 1 bis 6, nicht \"7\".");
        usage("jobs without number", "--batch --jobs", "Nach --jobs fehlt die Zahl.");
        row("jobs 6", "printf '' | \"$T\" --batch --jobs 6", {}, 0);
        row("-h", "\"$T\" -h | head -n 1", "Aufruf: tarvik <Kartennummer>\n", 0);
        usage("json without card", "--json", "Nach --json fehlt die Kartennummer.");
        // Nothing of another mode is ignored while a card is read and looked up.
        usage("reader, then batch", "--json --reader --batch",
              "--batch gilt nicht zusammen mit --reader.");
        usage("read-card, then jobs", "--read-card -style fusion --jobs=2",
              "--jobs=2 gilt nicht zusammen mit --read-card.");
        usage("batch with card", "--batch " + anna,
              "Unerwartetes Argument \"80756000080000000001\"; --batch liest die "
              "Kartennummern von der Standardeingabe.");
        row("jobs without batch, Italian", "LC_ALL=it_CH \"$T\" --jobs 2", {}, 2,
            "tarvik: --jobs vale solo insieme a --batch.\nUso: tarvik <numero tessera> | --json "
            "<numero tessera> | --batch [--jobs N]   (tarvik --help per saperne di più)");
        // The stand-in tells the port it was given, and ends cleanly when told to, once it listens.
        row("stand-in on any port",
            "\"$S\" --port 0 >port & until grep -qs listening port; do sleep 0.05; done; kill $!; "
            "wait $!; s=$?; sed 's/:[1-9][0-9]*$/:N/' port; (exit $s)",
            "hin-standin listening on 127.0.0.1:N\n", 0);
        row("batch of blank lines", "printf '\\n  \\n' | \"$T\" --batch", {}, 0);
        // The largest input taken: 64 blank lines of 1 MiB, nothing to look up; and a byte more.
        const QByteArray mib = "printf '%1048575s\\n' $(seq 64)";
        row("batch of 64 MiB", mib + " | tr 0-9 ' ' | \"$T\" --batch", {}, 0);
        row("batch over 64 MiB", "{ " + mib + "; echo; } | tr 0-9 ' ' | \"$T\" --batch", {}, 2,
            "tarvik: Die Standardeingabe ist grösser als 64 MiB oder nicht lesbar; bitte in "
            "Teilen prüfen.");
    }

    void offline() { check(); }

    // The process's output paths, through a writer that prints as the program does (see
    // output_writer.cpp).
    void writer_data()
    {
        columns();
        // The lines written before the fatal message are not lost in the stream's buffer.
        row("messages", "\"$W\" messages", "\"Z\xc3\xbcrich\" <br><br> \n", 134,
            "Warning: careful\nCritical: serious\nFatal: stop");
        const QByteArray late = "tarvik: Abbruch: Der Lauf hat das Zeitlimit überschritten.";
        row("memory", "\"$W\" memory", "last words\n", 4,
            "tarvik: Abbruch: Der Lauf hat die Speichergrenze überschritten.");
        row("kick", "\"$W\" kick", "alive\n", 0, late);
        // An answer under way is finished first, and then it is the answer.
        row("answer", "\"$W\" answer", "first half\nsecond half\n", 0, late);
    }

    void writer() { check(); }

    // Out of line: moc misreads the raw strings in its rows.
    void lookup_data();
    void lookup() { check(); }

private:
    static void columns()
    {
        QTest::addColumn<QProcess *>("shell");
        QTest::addColumn<QByteArray>("out"); // standard output, then the exit status
        QTest::addColumn<QByteArray>("error"); // what standard error holds besides warnings
    }

    // Starts the row's command at once; check() waits for it.
    void row(const char *name, const QByteArray &command, const QByteArray &out, int status,
             const QByteArray &error = {})
    {
        auto *shell = new QProcess(this);
        shell->setWorkingDirectory(work.path());
        shell->start(QStringLiteral("bash"),
                     {"-o"_s, "pipefail"_s, "-c"_s, QString::fromUtf8(command + "; echo $?")});
        QTest::newRow(name) << shell << out + QByteArray::number(status) + '\n' << error;
    }

    void check()
    {
        QFETCH(QProcess *, shell);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, error);
        // Not waitForFinished(): the event loop must run, for the stand-in to answer.
        QVERIFY2(QTest::qWaitFor([shell] { return shell->state() == QProcess::NotRunning; }, 60000),
                 "the run did not end on its own");
        QCOMPARE(shell->readAllStandardOutput(), out);
        // Standard error carries only what the toolkit itself warns about (the offscreen platform
        // cannot raise windows, for one), bash's word on a run that aborted, and the lines the row
        // expects.
        const QByteArray errors = shell->readAllStandardError();
        for (const QByteArray &line : errors.split('\n'))
            QVERIFY2(line.isEmpty() || line.startsWith("Warning: ") || error.contains(line)
                             || line.contains(" Aborted "),
                     line.constData());
        QVERIFY2(errors.contains(error), errors.constData());
        if (!out.startsWith("{\""))
            return;
        for (const QByteArray &line : out.left(out.lastIndexOf('}') + 1).split('\n')) {
            schema.write(line + '\n');
            while (!schema.canReadLine() && schema.waitForReadyRead(20000)) { }
            QCOMPARE(schema.readLine(), QByteArray("valid\n"));
        }
    }

    // The HIN Client's port: the reply set for the card number, else the card's sample; the card
    // that stalls is never answered. The redirect's address (the proxy sees each request's full
    // address) gets Anna's record, so that a request that followed it shows on standard output.
    void serve()
    {
        QVERIFY(service.listen(QHostAddress::LocalHost, 5016));
        connect(&service, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *socket = service.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                const QByteArray head = socket->peek(socket->bytesAvailable());
                const QByteArray card = head.mid(head.indexOf("carte=") + 6, 20);
                if (!head.contains("\r\n\r\n") || card == stalls)
                    return;
                socket->readAll();
                const QByteArray utf8 = "Content-Type: text/xml; charset=UTF-8\r\n";
                socket->write(head.contains(' ' + moved + ' ')
                                      ? http("200 OK", sample(anna))
                                      : replies.value(card, http("200 OK", sample(card), utf8)));
                socket->disconnectFromHost();
            });
        });
    }

    QTemporaryDir work;
    QProcess schema;
    QTcpServer service;
    QHash<QByteArray, QByteArray> replies;
};

void tst_EndToEnd::lookup_data()
{
    serve();
    columns();
    row("record, further arguments ignored", "\"$T\" '  " + anna + " ' " + unknown + " --help",
        annaText, 0);
    row("stand-in on a port taken", "\"$S\" --port 5016", {}, 1,
        "hin-standin: cannot listen on 127.0.0.1:5016: The bound address is already in use");
    row("record in French, the same bytes", "LC_ALL=fr_CH.UTF-8 \"$T\" " + anna, annaText, 0);
    row("full", "\"$T\" " + anna + " >/dev/full", {}, 1, undeliverable);
    row("closed", "\"$T\" " + anna + " >&-", {}, 1, undeliverable);
    row("JSON, full", "\"$T\" --json " + anna + " >/dev/full", {}, 4, undeliverable);
    row("JSON record", "\"$T\" --json " + anna, annaJson, 0);
    const QByteArray unknownJson =
            json(unknown, "unknown-person", R"("message":"Versicherter unbekannt.")");
    const QByteArray problemJson =
            json(problem, "failed", R"("message":"Anwendungsproblem. Ev. Lesefehler.")");
    row("JSON unknown person", "\"$T\" --json " + unknown, unknownJson, 1);
    row("JSON application problem", "\"$T\" --json " + problem, problemJson, 4);
    const QByteArray hintFr = " Le HIN Client est-il démarré ? Êtes-vous connecté à HIN ?",
                     hintIt = " L'HIN Client è avviato? Ha effettuato l'accesso a HIN?";
    for (const auto &[locale, hint] :
         {std::make_pair("fr_CH.UTF-8", hintFr), std::make_pair("it_CH", hintIt)})
        row(locale, "LC_ALL=" + QByteArray(locale) + " \"$T\" --json " + closes,
            json(closes, "failed",
                 R"("message":"Connection closed)" + hint + R"(","detail":"Connection closed")"),
            4);

    // Lines in input order, blank ones counted; a card that fails makes the status 4.
    const auto line = [](int number, const QByteArray &object) {
        return "{\"line\":" + QByteArray::number(number) + ',' + object.mid(1);
    };
    row("batch",
        "printf '" + anna + "\\n \\t\\u00a0\\n " + unknown + " \\r\\n80756\\n" + problem
                + "' | \"$R\" --batch --jobs 3",
        line(1, annaJson) + line(3, unknownJson)
                + line(4, json("80756", "rejected",
                               R"("message":"Die Nummer enthält nicht 20 Zeichen.")"))
                + line(5, problemJson),
        4);
    // SIGTERM, like closing the window, answers every card still open as cancelled.
    const QByteArray cancelled = R"("message":"Abgebrochen, bevor die Antwort da war.")";
    row("cancelled by SIGTERM",
        "\"$R\" --batch --jobs=1 <<<$'" + anna + "\\n\\n" + stalls
                + "\\n123' >c & until [ -s c ]; do sleep 0.1; done; kill $!; wait $!; s=$?; "
                  "cat c; (exit $s)",
        line(1, annaJson) + line(3, json(stalls, "cancelled", cancelled))
                + line(4, json("123", "cancelled", cancelled)),
        4);
    row("read_batch.py",
        "TARVIK=\"$R\" python3 \"$E/read_batch.py\" <(printf '" + anna + "\\n12345') 2",
        "line 1: " + anna
                + ": found: Müller-Lüdenscheidt Anna-Lena, 09.07.1984, Zürich (Krankenkasse "
                  "Säntis)\nline 2: 12345: rejected: Die Nummer beginnt nicht mit 80756.\n",
        0);
    // The field whose value holds a line break and double quotes.
    row("read_record.py, a record",
        "python3 \"$E/read_record.py\" --tarvik \"$T\" 80756000080000000003 | python3 -c "
        "'import json, sys; print(json.load(sys.stdin)[\"Client Strasse\"])'",
        "c/o Atelier Favre\nChemin \"Sur le Crêt\" 4\n", 0);
    row("read_record.py, no record", "\"$T\" " + unknown + " | python3 \"$E/read_record.py\" -", {},
        1);

    // The odd replies, where the default mode writes what the Qt 5 build writes.
    const auto odd = [this](const char *card, const QByteArray &reply, const QByteArray &out) {
        replies.insert(card, reply);
        row(card, "\"$T\" " + QByteArray(card), out, 0);
    };
    const auto transfer = [](const char *card, const QByteArray &reason) {
        return "\"Error transferring http://" TARVIK_SERVICE_HOST "/tarvik/servlet/ch.ofac.ca."
               "tarvik.CaValidationHorizontale?type=XML&langue=1&carte="
               + QByteArray(card) + "&ReturnType=STPLUS - server replied: " + reason + "\" \n";
    };
    const char *notFound = "80756000000000000404", *noReason = "80756000000000000503";
    odd(notFound, http("404 Not Found", "<html>Not Found</html>"), transfer(notFound, "Not Found"));
    odd(noReason, http("503", {}), transfer(noReason, {}));
    odd("80756000000000000407",
        http("407 Proxy Authentication Required", {},
             "Proxy-Authenticate: Basic realm=\"HIN\"\r\n"),
        "\"Proxy requires authentication\" \n");
    odd("80756000000000000302", http("302 Found", "moved", "Location: " + moved + "\r\n"), {});
    odd(closes.constData(), {}, "\"Connection closed\" \n");
    const QByteArray record = sample(anna), gzipped = "Content-Encoding: gzip\r\n";
    odd("80756000000000000202", http("200 OK", "\x1f\x8b\x08\x00garbage", gzipped), {});
    // 11 MiB unpacked at a ratio far above 40: Qt 6 refuses that on its own.
    const int end = record.lastIndexOf("</");
    odd("80756000000000000203",
        http("200 OK",
             gzip(record.left(end) + "<!--" + QByteArray(11 << 20, ' ') + "-->\n"
                  + record.mid(end)),
             gzipped),
        annaText);
    // Latin-1 read as the UTF-8 the declaration names.
    const QByteArray broken = "\xef\xbf\xbd";
    odd("80756000000000000204",
        http("200 OK", QString::fromUtf8(record).toLatin1(),
             "Content-Type: text/xml; charset=ISO-8859-1\r\n"),
        QByteArray(annaText).replace("\xc3\xa4", broken).replace("\xc3\xbc", broken));
    // A lone surrogate in the last name, a letter cased only since Unicode 14 in the first.
    odd("80756000000000000205",
        http("200 OK", QByteArray(record)
                               .replace("\"UTF-8\"", "\"CESU-8\"")
                               .replace("MÜLLER-LÜDENSCHEIDT", "M\xed\xa0\xbdLLER")
                               .replace("ANNA-LENA", "A\xed\xa0\x81\xed\xb5\xb0NNA")),
        QByteArray(annaText)
                .replace("Müller-Lüdenscheidt", "M?ller")
                .replace("Anna-Lena", "A\xf0\x90\x95\xb0nna"));
}

QTEST_GUILESS_MAIN(tst_EndToEnd)
#include "tst_endtoend.moc"
