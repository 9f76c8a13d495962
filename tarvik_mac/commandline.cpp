#include "commandline.h"

#include "buildconfig.h"
#include "output.h"

#include <cstdio>
#include <cstring>

namespace CommandLine {

namespace {

const char usageLine[] = "Aufruf: tarvik <Kartennummer>   (tarvik --help zeigt mehr)\n";

const char helpText[] =
        "Aufruf: tarvik <Kartennummer>\n"
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
        "(\"Operation canceled\"). Ein Lauf endet spätestens nach 90 Sekunden. Nach einer\n"
        "abgebrochenen Verbindung wird dieselbe Anfrage bis zu dreimal wiederholt.\n"
        "\n"
        "Exit-Status: 0, wenn der Lauf von selbst endet (auch nach einem Fehler);\n"
        "1, wenn die Antwort nicht auf die Standardausgabe geschrieben werden kann\n"
        "(geschlossen, voll, Leser beendet); 2 ohne Kartennummer.\n"
        "Erfolg erkennt man an den Datenzeilen.\n";

// The licence travels with the program: whoever receives a copy can see what they may do with it.
const char versionText[] = "tarvik " TARVIK_VERSION "\n"
                           "Copyright (c) " TARVIK_COPYRIGHT "\n"
                           "License: MIT <https://opensource.org/licenses/MIT>\n"
                           "This is free software: you are free to change and redistribute it.\n"
                           "There is NO WARRANTY, to the extent permitted by law.\n";

} // namespace

Request requestFor(const char *firstArgument)
{
    if (!firstArgument)
        return Request::Usage;
    if (std::strcmp(firstArgument, "--help") == 0 || std::strcmp(firstArgument, "-h") == 0)
        return Request::Help;
    if (std::strcmp(firstArgument, "--version") == 0)
        return Request::Version;
    return Request::Lookup;
}

int answer(Request request)
{
    switch (request) {
    case Request::Usage:
        std::fputs(usageLine, stderr);
        return 2;
    case Request::Help:
        Output::write(helpText);
        return 0;
    case Request::Version:
        Output::write(versionText);
        return 0;
    case Request::Lookup:
        break;
    }
    return 0;
}

} // namespace CommandLine
