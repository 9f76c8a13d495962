// SPDX-License-Identifier: MIT
#include "record.h"

#include "recordcuts.h"
#include "valuerules.h"

namespace Record {

namespace {

using namespace RecordCuts;
using namespace ValueRules;

QString clientElement(const QString &client, const char *name)
{
    const QString tag = QLatin1String(name);
    return element(client, QLatin1Char('<') + tag + QLatin1Char('>'),
                   QLatin1String("</") + tag + QLatin1Char('>'));
}

Line line(const char *label, const char *key, const QString &value)
{
    return {QLatin1String(label) + QLatin1Char('\t'), QLatin1String(key), value};
}

} // namespace

QVector<Line> extract(const QString &text)
{
    // The person's fields are searched in their own element only, so that a name or address
    // elsewhere in the reply cannot be taken for theirs. The OFAC id is searched everywhere.
    const QString client = piece(text, QStringLiteral("<client"), QStringLiteral("</client>"));
    const QString agency = piece(text, QStringLiteral("<agency"), QStringLiteral("</agency>"));

    return {
            line("Ofac ID", "ofacId",
                 normalizeOfacId(
                         element(text, QStringLiteral("<ofac-id>"), QStringLiteral("</ofac-id>")))),
            line("Versicherer Name", "insurer", insurerName(agency)),
            line("Client Name", "lastName", normalizeNameCase(clientElement(client, "last-name"))),
            line("Client Vorname", "firstName",
                 normalizeNameCase(clientElement(client, "first-name"))),
            line("Client Geburtsdatum", "birthDate",
                 reorderBirthDate(clientElement(client, "birth-date"))),
            line("Client Strasse", "street", clientElement(client, "street")),
            line("Client PLZ", "postcode", clientElement(client, "zip")),
            line("Client Ort", "town", clientElement(client, "city")),
            line("Client Staat", "country", clientElement(client, "country")),
            line("Client Vers.Nr", "insuranceNumber",
                 attribute(client, QStringLiteral("assure-id=\""))),
            line("Client Geschlecht", "sex", sexText(attribute(client, QStringLiteral("sex=\"")))),
            line("Client AHV", "ahv",
                 formatAhvNumber(attribute(client, QStringLiteral("cardholderIdentifier=\"")))),
    };
}

} // namespace Record
