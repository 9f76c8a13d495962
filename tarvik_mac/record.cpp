#include "record.h"

#include "recordcuts.h"
#include "valuerules.h"

using namespace RecordCuts;

namespace {

QString clientElement(const QString &client, const char *name)
{
    const QString tag = QLatin1String(name);
    return element(client, QLatin1Char('<') + tag + QLatin1Char('>'),
                   QLatin1String("</") + tag + QLatin1Char('>'));
}

} // namespace

QVector<RecordLine> extractRecord(const QString &replyText)
{
    // The person's fields are searched in their own element only, so that a name or address
    // elsewhere in the reply cannot be taken for theirs. The OFAC id is searched everywhere.
    const QString client = piece(replyText, QStringLiteral("<client"), QStringLiteral("</client>"));
    const QString agency = piece(replyText, QStringLiteral("<agency"), QStringLiteral("</agency>"));

    return {
            {QStringLiteral("Ofac ID\t"),
             normalizeOfacId(element(replyText, QStringLiteral("<ofac-id>"),
                                     QStringLiteral("</ofac-id>")))},
            {QStringLiteral("Versicherer Name\t"), insurerName(agency)},
            {QStringLiteral("Client Name\t"),
             normalizeNameCase(clientElement(client, "last-name"))},
            {QStringLiteral("Client Vorname\t"),
             normalizeNameCase(clientElement(client, "first-name"))},
            {QStringLiteral("Client Geburtsdatum\t"),
             reorderBirthDate(clientElement(client, "birth-date"))},
            {QStringLiteral("Client Strasse\t"), clientElement(client, "street")},
            {QStringLiteral("Client PLZ\t"), clientElement(client, "zip")},
            {QStringLiteral("Client Ort\t"), clientElement(client, "city")},
            {QStringLiteral("Client Staat\t"), clientElement(client, "country")},
            {QStringLiteral("Client Vers.Nr\t"), attribute(client, QStringLiteral("assure-id=\""))},
            {QStringLiteral("Client Geschlecht\t"),
             sexText(attribute(client, QStringLiteral("sex=\"")))},
            {QStringLiteral("Client AHV\t"),
             formatAhvNumber(attribute(client, QStringLiteral("cardholderIdentifier=\"")))},
    };
}
