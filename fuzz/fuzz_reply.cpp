// SPDX-License-Identifier: MIT
// Any reply body through decoding, classification and the record: nothing crashes or hangs, and a
// found record is always twelve labelled lines in their fixed order, each written as label, blank,
// quoted value, blank, line end, blank.

#include "debugline.h"
#include "fuzztarget.h"
#include "record.h"
#include "replyclassification.h"
#include "replytext.h"
#include "reporttexts.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

namespace {

const QStringList labels = {
        QStringLiteral("Ofac ID\t"),
        QStringLiteral("Versicherer Name\t"),
        QStringLiteral("Client Name\t"),
        QStringLiteral("Client Vorname\t"),
        QStringLiteral("Client Geburtsdatum\t"),
        QStringLiteral("Client Strasse\t"),
        QStringLiteral("Client PLZ\t"),
        QStringLiteral("Client Ort\t"),
        QStringLiteral("Client Staat\t"),
        QStringLiteral("Client Vers.Nr\t"),
        QStringLiteral("Client Geschlecht\t"),
        QStringLiteral("Client AHV\t"),
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first line of the input stands for the Content-Type header, the rest for the body, so
    // that the fuzzer reaches the fallback decoders too.
    const QByteArray input =
            QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    const int newline = input.indexOf('\n');
    const QByteArray contentType = newline < 0 ? QByteArray() : input.left(newline);
    const QByteArray body = newline < 0 ? input : input.mid(newline + 1);

    const QString text = ReplyText::decode(body, contentType);
    if (text.contains(QChar(0)))
        std::abort();

    using ReplyClassification::Outcome;
    const Outcome outcome = ReplyClassification::classify(text);

    // The server-error test searches case-insensitively instead of lower-casing the reply; it
    // must find exactly what a search in the lower-cased text finds.
    const QString lower = text.toLower();
    const bool serverError =
            lower.contains(QLatin1String("error")) && lower.contains(QLatin1String("not found"));
    if ((outcome == Outcome::ServerError) != serverError && outcome != Outcome::NoInsuredPerson
        && outcome != Outcome::ApplicationProblem)
        std::abort();
    if (outcome != Outcome::Record) {
        if (ReportTexts::forReply(outcome).lines.isEmpty())
            std::abort();
        return 0;
    }

    const QVector<Record::Line> record = Record::extract(text);
    if (record.size() != labels.size())
        std::abort();
    for (int i = 0; i < record.size(); ++i) {
        const Record::Line &line = record.at(i);
        if (line.label != labels.at(i))
            std::abort();
        const QString expected =
                line.label + QStringLiteral(" \"") + line.value + QStringLiteral("\" \n ");
        if (DebugLine().text(line.label).value(line.value).text("\n").toString() != expected)
            std::abort();
    }
    return 0;
}
