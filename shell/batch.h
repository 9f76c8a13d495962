// SPDX-License-Identifier: MIT
#pragma once

#include "batchinput.h"
#include "cardrequest.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

class BatchWindow;
class QNetworkAccessManager;
class QNetworkReply;
class Watchdog;

// Checks many cards in one run: every card of the input goes out as the same single GET as the
// single-card mode sends, at most `jobs` at once, and each card's JSON object is written as soon
// as it and all before it are decided, in input order. Finished objects wait only for an earlier
// line, and no more than maxWaiting of them: beyond that no further card is started until the
// earliest one is answered, so memory stays bounded whatever the input's length.
//
// Should the watchdog end the run (the toolkit stuck in a reply), every card still gets its line:
// what the batch has decided, what it has written and where it stands in the input change only
// under Output's answer hold, and the watchdog writes the rest from there, in order.
class Batch : public QObject
{
    Q_OBJECT

public:
    // Where the lines go; false when one could not be delivered.
    using Sink = std::function<bool(const QByteArray &line)>;

    static constexpr int defaultMaxWaiting = 1024;

    Batch(const QByteArray &input, int jobs, QObject *parent = nullptr);
    ~Batch() override;

    void setSink(Sink sink) { lineSink = std::move(sink); }
    void setDeadline(int ms) { deadlineMs = ms; }
    // Before start() only.
    void setMaxWaiting(int lines) { waiting.resize(lines); }

    // Shows the window and starts the first requests once the event loop runs.
    void start();
    // Every card not yet answered is written as cancelled, in order; nothing more goes out.
    void cancel();
    // SIGINT, SIGTERM and SIGHUP cancel the batch like the window does, so that a calling
    // program or a terminal that stops it still gets a line for every card.
    void cancelOnSignals();
    // The watchdog that this batch keeps alive while it decides cards.
    void setWatchdog(Watchdog *guard) { watchdog = guard; }

    // 0 while every card ended found, unknown or rejected; 4 otherwise.
    int exitStatus() const { return status; }

Q_SIGNALS:
    void finished();

private:
    struct Pending
    {
        qint64 ordinal; // among the input's cards, from 0
        qint64 lineNumber;
        QString card;
    };

    // A card's line once it is decided; before that, for a card on its way, the line it gets
    // should the watchdog end the run.
    struct Slot
    {
        QByteArray line;
        bool decided = false;
    };

    void pump();
    void replyFinished(QNetworkReply *reply);
    void decide(const Pending &pending, const Lookup::Result &result);
    void flush();
    void finishIfDone();
    Slot &slot(qint64 ordinal) { return waiting[int(ordinal % waiting.size())]; }
    // The line of a card cut short: that of a single lookup cut at its deadline.
    QByteArray cutLine(const QString &card, qint64 lineNumber) const;
    // The watchdog's part: every line not yet written, in order. Called with the answer held.
    void writeRest();

    BatchWindow *window = nullptr; // the progress window, from start() on
    QByteArray input;
    BatchInput::Cursor cursor;
    qint64 totalCards;
    int jobs;
    int deadlineMs = CardRequest::deadlineMs;
    Watchdog *watchdog = nullptr;
    Sink lineSink;
    QNetworkAccessManager *manager = nullptr;
    QHash<QNetworkReply *, Pending> inFlight;
    Lookup::Result cut; // made once, as the watchdog's thread must not translate
    QVector<Slot> waiting; // ring of the started cards' lines, by ordinal
    qint64 started = 0; // cards taken from the input
    qint64 decided = 0;
    qint64 written = 0;
    int status = 0;
    bool cancelling = false;
    bool undelivered = false;
    bool done = false;
};
