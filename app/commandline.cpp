// SPDX-License-Identifier: MIT
#include "commandline.h"

#include "buildconfig.h"
#include "output.h"
#include "wording.h"

#include <cstdio>

namespace CommandLine {

namespace {

// The usage line and the help are for a person at a terminal, and speak that person's language.
const char usageLine[] = QT_TRANSLATE_NOOP(
        "CommandLine", "Aufruf: tarvik <Kartennummer> | --json <Kartennummer> | --batch [--jobs N]"
                       "   (tarvik --help zeigt mehr)\n");

const char helpText[] = QT_TRANSLATE_NOOP(
        "CommandLine",
        "Aufruf: tarvik <Kartennummer>\n"
        "        tarvik --json <Kartennummer>\n"
        "        tarvik --batch [--jobs N]  < Kartennummern\n"
        "        tarvik [--json] --reader\n"
        "        tarvik --read-card\n"
        "        tarvik --watch [--chip-only]\n"
        "        tarvik -h | --help | --version\n"
        "\n"
        "Sucht die versicherte Person zur Nummer einer Schweizer Versichertenkarte.\n"
        "\n"
        "<Kartennummer>  20 Ziffern, beginnend mit 80756. Leerzeichen davor und danach,\n"
        "                alles vor \"80756\" und alles nach der 20. Stelle werden ignoriert.\n"
        "                Weitere Argumente werden ignoriert.\n"
        "\n"
        "Die Anfrage geht über den HIN Client (HTTP-Proxy auf 127.0.0.1:5016), der laufen\n"
        "und angemeldet sein muss. Während der Anfrage erscheint ein Wartefenster.\n"
        "\n"
        "Gefunden: zwölf Zeilen auf der Standardausgabe, je \"<Feld><TAB> \\\"<Wert>\\\" \"\n"
        "und danach eine Zeile mit einem einzelnen Leerzeichen, in dieser Reihenfolge:\n"
        "  Ofac ID, Versicherer Name, Client Name, Client Vorname, Client Geburtsdatum,\n"
        "  Client Strasse, Client PLZ, Client Ort, Client Staat, Client Vers.Nr,\n"
        "  Client Geschlecht, Client AHV\n"
        "Fehler: ein Meldungsfenster, das sich selbst schliesst; keine Datenzeilen.\n"
        "\n"
        "Die ganze Anfrage hat 30 Sekunden Zeit; danach gilt sie als abgebrochen\n"
        "(\"Operation canceled\"). Ein Lauf endet spätestens nach 90 Sekunden, mit dem\n"
        "Kartenleser nach 150. Nach einer abgebrochenen Verbindung wird dieselbe Anfrage\n"
        "bis zu dreimal wiederholt.\n"
        "\n"
        "Exit-Status: 0, wenn der Lauf von selbst endet (auch nach einem Fehler);\n"
        "1, wenn die Antwort nicht auf die Standardausgabe geschrieben werden kann\n"
        "(geschlossen, voll, Leser beendet); 2 ohne Kartennummer.\n"
        "Erfolg erkennt man an den Datenzeilen.\n"
        "\n"
        "--json      Dieselbe Suche, dieselben Meldungen; die Standardausgabe ist eine Zeile\n"
        "            JSON mit \"card\", \"outcome\" und \"record\" oder \"message\".\n"
        "            Exit-Status: 0 gefunden, 1 unbekannt, 2 Aufruf falsch,\n"
        "            3 Nummer falsch, 4 fehlgeschlagen.\n"
        "--batch     Kartennummern von der Standardeingabe, eine pro Zeile; je Zeile ein\n"
        "            JSON-Objekt mit \"line\", in der Reihenfolge der Eingabe. Ein Fenster zeigt\n"
        "            den Fortschritt; Escape bricht ab. Exit-Status: 0, wenn jede Karte\n"
        "            gefunden, unbekannt oder falsch war; 4 sonst; 2 Aufruf falsch.\n"
        "--jobs N    Höchstens N Anfragen zugleich (1 bis 6, Vorgabe 4): der Dienst wird\n"
        "            von allen geteilt.\n"
        "--reader    Liest die Kartennummer vom Chip der Versichertenkarte im Kartenleser\n"
        "            (PC/SC) und sucht dann wie mit der Nummer. Ein Fenster bittet um die\n"
        "            Karte; es wartet höchstens 60 Sekunden, Escape bricht ab. Mit --json\n"
        "            enthält die Antwort auch \"chip\", die Daten des Chips.\n"
        "--read-card Liest nur den Chip, ohne Anfrage: eine Zeile JSON, \"outcome\" \"read\"\n"
        "            mit \"chip\" oder \"failed\". Exit-Status: 0 gelesen, 4 sonst.\n"
        "--watch     Bleibt laufen und schreibt zu jedem Ereignis an den Kartenlesern\n"
        "            sofort eine Zeile JSON: \"ready\", \"card\" (jede gesteckte Karte, wie\n"
        "            --json --reader sie beantwortet), \"removed\", \"reader\", \"service\".\n"
        "            Ohne Fenster. Endet mit Exit-Status 0, sobald die Standardeingabe\n"
        "            (Pipe oder Socket) geschlossen wird oder SIGTERM, SIGINT oder SIGHUP\n"
        "            kommt; 4, wenn die Standardausgabe nicht mehr gelesen wird.\n"
        "--chip-only Mit --watch: nur der Chip, ohne Anfrage (wie --read-card).\n");

// The licence travels with the program: whoever receives a copy can see what they may do with it.
const char versionText[] = "tarvik " TARVIK_VERSION "\n"
                           "Copyright (c) " TARVIK_COPYRIGHT "\n"
                           "License: MIT <https://opensource.org/licenses/MIT>\n"
                           "This is free software: you are free to change and redistribute it.\n"
                           "There is NO WARRANTY, to the extent permitted by law.\n";

Options usageError(const QString &error)
{
    Options options;
    options.error = error;
    return options;
}

Options batchOptions(const QStringList &arguments)
{
    Options options;
    bool batch = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        QString jobs;
        if (argument == QLatin1String("--batch")) {
            batch = true;
            continue;
        }
        if (argument == QLatin1String("--jobs")) {
            if (i + 1 == arguments.size())
                return usageError(Wording::translate("CommandLine", "Nach --jobs fehlt die Zahl."));
            jobs = arguments.at(++i);
        } else if (argument.startsWith(QLatin1String("--jobs="))) {
            jobs = argument.mid(7);
        } else {
            return usageError(Wording::translate("CommandLine",
                                                 "Unerwartetes Argument \"%1\"; --batch liest "
                                                 "die Kartennummern von der Standardeingabe.")
                                      .arg(argument));
        }
        bool number = false;
        options.jobs = jobs.toInt(&number);
        if (!number || options.jobs < 1 || options.jobs > maxJobs)
            return usageError(
                    Wording::translate("CommandLine",
                                       "--jobs verlangt eine Zahl von 1 bis %1, nicht \"%2\".")
                            .arg(maxJobs)
                            .arg(jobs));
    }
    if (!batch)
        return usageError(
                Wording::translate("CommandLine", "--jobs gilt nur zusammen mit --batch."));
    options.request = Request::Batch;
    return options;
}

// The options of the tool itself, as opposed to the toolkit's.
bool isOption(const QString &argument)
{
    static const QStringList options{QStringLiteral("-h"),        QStringLiteral("--help"),
                                     QStringLiteral("--version"), QStringLiteral("--json"),
                                     QStringLiteral("--reader"),  QStringLiteral("--read-card"),
                                     QStringLiteral("--batch"),   QStringLiteral("--jobs"),
                                     QStringLiteral("--watch"),   QStringLiteral("--chip-only")};
    return options.contains(argument) || argument.startsWith(QLatin1String("--jobs="));
}

// The modes that read the card: --reader or --read-card, --json before or after them (--read-card
// answers in JSON anyway); the toolkit's options may follow. Any other option of ours is a usage
// error: a second mode, --batch or --jobs would otherwise be ignored while a card is read and
// looked up.
Options readerOptions(const QStringList &arguments)
{
    const QString &mode = arguments.at(arguments.first() == QLatin1String("--json") ? 1 : 0);
    for (const QString &argument : arguments) {
        if (isOption(argument) && argument != mode && argument != QLatin1String("--json"))
            return usageError(Wording::translate("CommandLine", "%1 gilt nicht zusammen mit %2.")
                                      .arg(argument, mode));
    }
    Options options;
    if (mode == QLatin1String("--read-card"))
        options.request = Request::ReadCard;
    else
        options.request =
                arguments.contains(QLatin1String("--json")) ? Request::JsonReader : Request::Reader;
    return options;
}

// The watch takes --chip-only, and any other argument with two dashes is a mistake. The rest is the
// toolkit's (such as "-platform offscreen"), which has no window to apply it to here.
Options watchOptions(const QStringList &arguments)
{
    Options options;
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--chip-only"))
            options.chipOnly = true;
        else if (argument.startsWith(QLatin1String("--")))
            return usageError(Wording::translate("CommandLine",
                                                 "Unerwartetes Argument \"%1\"; --watch kennt "
                                                 "nur --chip-only.")
                                      .arg(argument));
    }
    options.request = Request::Watch;
    return options;
}

} // namespace

Options parse(const QStringList &arguments)
{
    Options options;
    if (arguments.isEmpty())
        return options;
    const QString &first = arguments.first();
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        options.request = Request::Help;
    } else if (first == QLatin1String("--version")) {
        options.request = Request::Version;
    } else if (first == QLatin1String("--reader") || first == QLatin1String("--read-card")
               || (first == QLatin1String("--json")
                   && (arguments.value(1) == QLatin1String("--reader")
                       || arguments.value(1) == QLatin1String("--read-card")))) {
        // Either order: an integrator who writes --json first or second still means JSON.
        return readerOptions(arguments);
    } else if (first == QLatin1String("--json")) {
        if (arguments.size() < 2)
            return usageError(
                    Wording::translate("CommandLine", "Nach --json fehlt die Kartennummer."));
        options.request = Request::Json;
        options.card = arguments.at(1);
    } else if (first == QLatin1String("--watch")) {
        return watchOptions(arguments.mid(1));
    } else if (first == QLatin1String("--batch") || first.startsWith(QLatin1String("--jobs"))) {
        return batchOptions(arguments);
    } else {
        options.request = Request::Lookup;
    }
    return options;
}

Options parse(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return parse(arguments);
}

int answer(const Options &options)
{
    switch (options.request) {
    case Request::Usage:
        if (!options.error.isEmpty())
            std::fprintf(stderr, "tarvik: %s\n", options.error.toUtf8().constData());
        std::fputs(Wording::translate("CommandLine", usageLine).toUtf8().constData(), stderr);
        return 2;
    case Request::Help:
        Output::write(Wording::translate("CommandLine", helpText).toUtf8());
        return 0;
    case Request::Version:
        Output::write(versionText);
        return 0;
    case Request::Lookup:
    case Request::Json:
    case Request::Reader:
    case Request::JsonReader:
    case Request::ReadCard:
    case Request::Batch:
    case Request::Watch:
        break;
    }
    return 0;
}

} // namespace CommandLine
