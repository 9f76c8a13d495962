// SPDX-License-Identifier: MIT
#include "jsonanswer.h"

#include "reporttexts.h"

namespace JsonAnswer {

namespace {

const char hexDigits[] = "0123456789abcdef";

QByteArray outcomeName(Lookup::Outcome outcome)
{
    using Lookup::Outcome;
    switch (outcome) {
    case Outcome::Found:
        return "found";
    case Outcome::UnknownPerson:
        return "unknown-person";
    case Outcome::Rejected:
        return "rejected";
    case Outcome::Failed:
        break;
    case Outcome::Cancelled:
        return "cancelled";
    }
    return "failed";
}

QByteArray member(const char *key, const QByteArray &value)
{
    return QByteArray(",\"") + key + "\":" + value;
}

} // namespace

QByteArray quoted(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte < 0x20) {
            out += "\\u00";
            out += hexDigits[byte >> 4];
            out += hexDigits[byte & 0xf];
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

QByteArray object(const Lookup::Result &result, qint64 lineNumber)
{
    QByteArray out = "{";
    if (lineNumber > 0)
        out += "\"line\":" + QByteArray::number(lineNumber) + ',';
    out += "\"card\":" + quoted(result.card);
    out += member("outcome", quoted(QString::fromLatin1(outcomeName(result.outcome))));
    if (result.outcome == Lookup::Outcome::Found) {
        QByteArray record = "{";
        for (const Record::Line &line : result.record) {
            if (record.size() > 1)
                record += ',';
            record += quoted(line.key) + ':' + quoted(line.value);
        }
        out += member("record", record + '}');
    } else {
        out += member("message", quoted(ReportTexts::plainText(result.report)));
        if (result.networkFailure)
            out += member("detail", quoted(result.detail));
    }
    return out + '}';
}

QByteArray chipObject(const ChipData::Card &card, const QDate &today)
{
    QByteArray out = "{\"cardNumber\":" + quoted(card.cardNumber);
    out += member("insurer", quoted(card.insurer));
    out += member("bagNumber", quoted(card.bagNumber));
    out += member("expiryDate", quoted(card.expiryDate));
    const std::optional<bool> expired = ChipData::expired(card, today);
    out += member("expired", !expired ? "null" : *expired ? "true" : "false");
    out += member("lastName", quoted(card.lastName));
    out += member("firstName", quoted(card.firstName));
    out += member("birthDate", quoted(card.birthDate));
    out += member("sex", quoted(card.sex));
    out += member("ahv", quoted(card.ahv));
    return out + '}';
}

QByteArray withChip(const QByteArray &object, const QByteArray &chip)
{
    // The object ends in its closing brace: the chip goes in just before it.
    return object.left(object.size() - 1) + member("chip", chip) + '}';
}

QByteArray chipRead(const QByteArray &chip)
{
    return "{\"outcome\":\"read\"" + member("chip", chip) + '}';
}

QByteArray readerFailed(const QString &message, const QString &detail)
{
    return "{\"outcome\":\"failed\"" + member("message", quoted(message))
           + member("detail", quoted(detail)) + '}';
}

int exitStatus(Lookup::Outcome outcome)
{
    using Lookup::Outcome;
    switch (outcome) {
    case Outcome::Found:
        return 0;
    case Outcome::UnknownPerson:
        return 1;
    case Outcome::Rejected:
        return 3;
    case Outcome::Failed:
    case Outcome::Cancelled:
        break;
    }
    return 4;
}

int batchStatus(int statusSoFar, Lookup::Outcome outcome)
{
    const bool settled = outcome == Lookup::Outcome::Found
                         || outcome == Lookup::Outcome::UnknownPerson
                         || outcome == Lookup::Outcome::Rejected;
    return settled ? statusSoFar : 4;
}

} // namespace JsonAnswer
