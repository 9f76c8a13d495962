// SPDX-License-Identifier: MIT
#include "reporttexts.h"

#include "wording.h"

namespace ReportTexts {

namespace {

const QString lineBreak = QStringLiteral("<br>");

QString richText(const QStringList &lines)
{
    QStringList escaped;
    for (const QString &line : lines)
        escaped << line.toHtmlEscaped();
    return escaped.join(lineBreak);
}

Report statusReport(const QString &message)
{
    return {{message}, statusReportDisplayMs};
}

} // namespace

QString progressText()
{
    return richText({Wording::translate("ReportTexts", "Die Daten werden tranferiert."), QString(),
                     Wording::translate("ReportTexts", "Bitte warten ...")});
}

QString popupText(const Report &report)
{
    return Wording::translate("ReportTexts", "FEHLER: ") + lineBreak + lineBreak
           + richText(report.lines);
}

QString plainText(const Report &report)
{
    QStringList words;
    for (const QString &line : report.lines) {
        if (!line.isEmpty())
            words << line;
    }
    return words.join(QLatin1Char(' '));
}

Report rejection(CardNumber::Verdict verdict)
{
    using CardNumber::Verdict;
    switch (verdict) {
    case Verdict::InvalidCharacters:
        return {{Wording::translate(
                        "ReportTexts",
                        "Die Nummer enthält ungültige Zeichen. Es dürfen nur Zahlen sein.")},
                rejectionDisplayMs};
    case Verdict::WrongPrefix:
        return {{Wording::translate("ReportTexts", "Die Nummer beginnt nicht mit 80756.")},
                rejectionDisplayMs};
    case Verdict::WrongLength:
        return {{Wording::translate("ReportTexts", "Die Nummer enthält nicht 20 Zeichen.")},
                rejectionDisplayMs};
    case Verdict::Accepted:
        break;
    }
    return {};
}

Report forReply(ReplyClassification::Outcome outcome)
{
    using ReplyClassification::Outcome;
    switch (outcome) {
    case Outcome::NoInsuredPerson:
        return statusReport(Wording::translate("ReportTexts", "Versicherter unbekannt."));
    case Outcome::ApplicationProblem:
        return statusReport(
                Wording::translate("ReportTexts", "Anwendungsproblem. Ev. Lesefehler."));
    case Outcome::ServerError:
        return statusReport(
                Wording::translate("ReportTexts", "Server meldet: nicht gefunden. URL falsch?"));
    case Outcome::Unrecognised:
        return statusReport(Wording::translate("ReportTexts", "Unbekannte Antwort vom Server."));
    case Outcome::Record:
        break;
    }
    return {};
}

Report network(const QString &errorText)
{
    return {{errorText, QString(),
             Wording::translate("ReportTexts", "Ist der HIN Client gestartet ?"),
             Wording::translate("ReportTexts", "Sind Sie angemeldet bei HIN ?")},
            networkReportDisplayMs};
}

Report tooLarge()
{
    return statusReport(Wording::translate("ReportTexts", "Antwort des Servers zu gross."));
}

QString insertCardText()
{
    return richText({Wording::translate(
            "ReportTexts", "Bitte die Versichertenkarte in den Kartenleser stecken.")});
}

QString otherCardText()
{
    return richText({Wording::translate("ReportTexts",
                                        "Diese Karte ist keine Schweizer Versichertenkarte. Bitte "
                                        "die Versichertenkarte in den Kartenleser stecken.")});
}

Report reader(ReaderFailure failure)
{
    switch (failure) {
    case ReaderFailure::NoService:
        return statusReport(Wording::translate(
                "ReportTexts", "Der Kartenleser-Dienst (PC/SC) läuft nicht. Die Karte kann nicht "
                               "gelesen werden."));
    case ReaderFailure::NoReader:
        return statusReport(Wording::translate(
                "ReportTexts", "Kein Kartenleser gefunden. Ist der Kartenleser angeschlossen?"));
    case ReaderFailure::NoCard:
        return statusReport(Wording::translate(
                "ReportTexts", "Es wurde keine Karte gesteckt. Die Wartezeit ist abgelaufen."));
    case ReaderFailure::NotInsuranceCard:
        return statusReport(Wording::translate("ReportTexts",
                                               "Die Karte ist keine Schweizer Versichertenkarte."));
    case ReaderFailure::Unreadable:
        return statusReport(Wording::translate(
                "ReportTexts", "Die Karte kann nicht gelesen werden. Ist sie richtig herum "
                               "gesteckt? Bitte die Karte stecken lassen, bis sie gelesen ist."));
    case ReaderFailure::InUse:
        return statusReport(Wording::translate(
                "ReportTexts", "Die Karte wird von einem anderen Programm verwendet. Bitte das "
                               "andere Programm schliessen und die Karte erneut lesen."));
    case ReaderFailure::Unparsable:
        return statusReport(Wording::translate(
                "ReportTexts", "Die Daten auf der Karte sind fehlerhaft. Bitte die Kartennummer "
                               "von Hand eingeben."));
    case ReaderFailure::Cancelled:
        break;
    }
    return {{Wording::translate("ReportTexts", "Das Lesen der Karte wurde abgebrochen.")}, 0};
}

Report cancelled()
{
    return {{Wording::translate("ReportTexts", "Abgebrochen, bevor die Antwort da war.")}, 0};
}

} // namespace ReportTexts
