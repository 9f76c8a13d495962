// SPDX-License-Identifier: MIT
#include "watchevents.h"

#include "jsonanswer.h"

#include <QDate>

namespace WatchEvents {

namespace {

constexpr qint64 msecsPerDay = qint64(24) * 60 * 60 * 1000;

// The Julian day of 1970-01-01, where the count of milliseconds starts.
constexpr qint64 epochJulianDay = 2440588;

QByteArray eventName(Kind kind)
{
    switch (kind) {
    case Kind::Ready:
        return "ready";
    case Kind::Service:
        return "service";
    case Kind::Reader:
        return "reader";
    case Kind::Card:
        return "card";
    case Kind::Removed:
        break;
    }
    return "removed";
}

QByteArray names(const QStringList &readers)
{
    QByteArray out = "[";
    for (const QString &reader : readers) {
        if (out.size() > 1)
            out += ',';
        out += JsonAnswer::quoted(reader);
    }
    return out + ']';
}

QByteArray digits(qint64 value, int width)
{
    return QByteArray::number(value).rightJustified(width, '0');
}

} // namespace

QByteArray timestamp(qint64 msecsSinceEpoch)
{
    // Floor division, so that a time before 1970 still gets its own day.
    qint64 days = msecsSinceEpoch / msecsPerDay;
    qint64 rest = msecsSinceEpoch % msecsPerDay;
    if (rest < 0) {
        rest += msecsPerDay;
        --days;
    }
    const QDate date = QDate::fromJulianDay(epochJulianDay + days);
    return digits(date.year(), 4) + '-' + digits(date.month(), 2) + '-' + digits(date.day(), 2)
           + 'T' + digits(rest / 3600000, 2) + ':' + digits(rest / 60000 % 60, 2) + ':'
           + digits(rest / 1000 % 60, 2) + '.' + digits(rest % 1000, 3) + 'Z';
}

QByteArray line(const Event &event, const QByteArray &answer)
{
    QByteArray out =
            "{\"event\":\"" + eventName(event.kind) + "\",\"at\":\"" + timestamp(event.at) + '"';
    switch (event.kind) {
    case Kind::Ready:
        out += ",\"readers\":" + names(event.readers);
        break;
    case Kind::Service:
        out += QByteArray(",\"available\":") + (event.present ? "true" : "false");
        if (event.present)
            out += ",\"readers\":" + names(event.readers);
        break;
    case Kind::Reader:
        out += ",\"reader\":" + JsonAnswer::quoted(event.reader)
               + ",\"present\":" + (event.present ? "true" : "false");
        break;
    case Kind::Card:
        out += ",\"reader\":" + JsonAnswer::quoted(event.reader);
        // The answer's members, its opening brace dropped; its closing one ends the line's.
        return out + ',' + answer.mid(1);
    case Kind::Removed:
        out += ",\"reader\":" + JsonAnswer::quoted(event.reader);
        break;
    }
    return out + '}';
}

} // namespace WatchEvents
