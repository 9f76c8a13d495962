#pragma once

#include <QString>

// The fixed German texts of the popups and their display times. The texts are rich text: "<br>"
// breaks a line.
namespace ReportTexts {

inline QString errorPrefix()
{
    return QStringLiteral("FEHLER: <br><br>");
}
inline QString progress()
{
    return QStringLiteral("Die Daten werden tranferiert.<br><br>Bitte warten ...");
}
inline QString networkSuffix()
{
    return QStringLiteral(
            "<br><br>Ist der HIN Client gestartet ?<br>Sind Sie angemeldet bei HIN ?");
}

// "FEHLER: <br><br>" followed by the message.
inline QString errorText(const QString &message)
{
    return errorPrefix() + message;
}

// The popup text of a failed request. The network layer's error text can hold the server's own
// reason phrase and the address, so it is escaped before it goes into rich text.
inline QString networkReport(const QString &errorString)
{
    return errorPrefix() + errorString.toHtmlEscaped() + networkSuffix();
}

// Rejections of the card number, in the order the tests run.
inline QString invalidCharacters()
{
    return QStringLiteral("Die Nummer enthält ungültige Zeichen. Es dürfen nur Zahlen sein.");
}
inline QString wrongPrefix()
{
    return QStringLiteral("Die Nummer beginnt nicht mit 80756.");
}
inline QString wrongLength()
{
    return QStringLiteral("Die Nummer enthält nicht 20 Zeichen.");
}

// The service's answers that end in a popup.
inline QString noInsuredPerson()
{
    return QStringLiteral("Versicherter unbekannt.");
}
inline QString applicationProblem()
{
    return QStringLiteral("Anwendungsproblem. Ev. Lesefehler.");
}
inline QString serverError()
{
    return QStringLiteral("Server meldet: nicht gefunden. URL falsch?");
}

// A reply that passes none of the tests, and one too large to hold.
inline QString unrecognised()
{
    return QStringLiteral("Unbekannte Antwort vom Server.");
}
inline QString tooLarge()
{
    return QStringLiteral("Antwort des Servers zu gross.");
}

constexpr int rejectionDisplayMs = 5000;
constexpr int networkReportDisplayMs = 30000;
constexpr int statusReportDisplayMs = 8000;

} // namespace ReportTexts
