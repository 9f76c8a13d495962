#include "reporttexts.h"

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
    return richText({QStringLiteral("Die Daten werden tranferiert."), QString(),
                     QStringLiteral("Bitte warten ...")});
}

QString popupText(const Report &report)
{
    return QStringLiteral("FEHLER: ") + lineBreak + lineBreak + richText(report.lines);
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
        return {{QStringLiteral(
                        "Die Nummer enthält ungültige Zeichen. Es dürfen nur Zahlen sein.")},
                rejectionDisplayMs};
    case Verdict::WrongPrefix:
        return {{QStringLiteral("Die Nummer beginnt nicht mit 80756.")}, rejectionDisplayMs};
    case Verdict::WrongLength:
        return {{QStringLiteral("Die Nummer enthält nicht 20 Zeichen.")}, rejectionDisplayMs};
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
        return statusReport(QStringLiteral("Versicherter unbekannt."));
    case Outcome::ApplicationProblem:
        return statusReport(QStringLiteral("Anwendungsproblem. Ev. Lesefehler."));
    case Outcome::ServerError:
        return statusReport(QStringLiteral("Server meldet: nicht gefunden. URL falsch?"));
    case Outcome::Unrecognised:
        return statusReport(QStringLiteral("Unbekannte Antwort vom Server."));
    case Outcome::Record:
        break;
    }
    return {};
}

Report network(const QString &errorText)
{
    return {{errorText, QString(), QStringLiteral("Ist der HIN Client gestartet ?"),
             QStringLiteral("Sind Sie angemeldet bei HIN ?")},
            networkReportDisplayMs};
}

Report tooLarge()
{
    return statusReport(QStringLiteral("Antwort des Servers zu gross."));
}

Report cancelled()
{
    return {{QStringLiteral("Abgebrochen, bevor die Antwort da war.")}, 0};
}

} // namespace ReportTexts
