// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// The lines of the watch (tarvik --watch): one JSON object a line, one line an event in the
// readers, so that the practice software beside it needs no event loop of its own around the card
// stack. Every line starts with "event" and "at", so that a reader of the lines can dispatch and
// log on the head alone; what the event is about follows. A card's line carries, after its reader,
// exactly the members of the single card's answer (tarvik --json --reader), spliced in, so that
// the two never disagree.
namespace WatchEvents {

enum class Kind {
    Ready, // the card stack has been asked: "readers"
    Service, // the card stack went away or came back: "available" (and "readers" when back)
    Reader, // a reader was plugged in or pulled out: "reader", "present"
    Card, // a card was put in: "reader" and its answer
    Removed, // a card was taken out: "reader"
};

struct Event
{
    Kind kind = Kind::Ready;
    qint64 at = 0; // when it happened: milliseconds since 1970-01-01T00:00:00Z
    QString reader; // Reader, Card, Removed
    QStringList readers; // Ready, and Service when available
    bool present = false; // Reader: plugged in; Service: available
};

// The time as ISO 8601 in UTC with milliseconds, e.g. "2026-03-01T08:15:02.042Z".
QByteArray timestamp(qint64 msecsSinceEpoch);

// The event's line without its line end. A card's answer is the object the single card's JSON
// answer is (JsonAnswer::withChip, chipRead or readerFailed); its members follow "reader".
QByteArray line(const Event &event, const QByteArray &answer = QByteArray());

} // namespace WatchEvents
