// SPDX-License-Identifier: MIT
#pragma once

#include "cardreader.h"
#include "watchevents.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <map>

class CardWatcher;
class QNetworkAccessManager;
class QNetworkReply;

// The front desk's companion: watches the readers (CardWatcher) and writes a line for every event
// (WatchEvents), for as long as it runs. Each card put in is read in a thread of its own, so that a
// card that never answers holds up no other reader, and then looked up as the single card is, at
// most `jobs` requests at once toward the shared service, the rest waiting their turn.
//
// The lines of one reader go out in the order of its events: a card's line, once it is read and
// looked up, then its removal, however early the card was taken out. Readers do not wait for one
// another, nor do the lines about the service.
class Watch : public QObject
{
    Q_OBJECT

public:
    // Where the lines go; false when one could not be delivered.
    using Sink = std::function<bool(const QByteArray &line)>;

    // With chipOnly the chip is the card's answer and nothing is sent.
    Watch(bool chipOnly, int jobs, QObject *parent = nullptr);
    ~Watch() override;

    void setSink(Sink sink) { lineSink = std::move(sink); }
    // Tests shorten the time a card may take to read, before start().
    void setReadLimit(int ms) { readLimitMs = ms; }

    // Starts watching once the event loop runs.
    void start();
    // Ends the watch: nothing more is read or sent, and every card still being read or looked up
    // gets its line, cancelled. finished() follows.
    void stop();
    // Ends the watch without another line: standard output's reader has gone.
    void abandon();

    // 0, or 4 once a line could not be delivered: then nothing more was read or sent.
    int exitStatus() const { return status; }

Q_SIGNALS:
    void finished();

private:
    struct Entry
    {
        WatchEvents::Event event;
        // Once decided, the line; until then, for a card, the line it gets should the watchdog
        // end the run.
        QByteArray line;
        bool decided = false;
        CardReader *reader = nullptr; // while the card is read
        QString card; // the number, once read, for the lookup
        QByteArray chip; // the chip's object, once read
    };

    void happened(const WatchEvents::Event &event);
    void cardRead(quint64 id, const ChipData::Card &card);
    void readFailed(quint64 id, const ReaderError &error);
    void pump();
    void replyFinished(QNetworkReply *reply);
    // The entry's line, with the card's answer for a card.
    void decide(quint64 id, const QByteArray &answer = QByteArray());
    void flush();
    // Stops everything under way; with cancelled lines for the cards unless nothing can go out.
    void end(bool deliverable);
    // The watchdog's part: every line not yet written, in order. Called with the answer held.
    void writeRest();

    bool chipOnly;
    int jobs;
    int readLimitMs = CardReader::readLimitMs;
    Sink lineSink;
    CardWatcher *watcher = nullptr;
    QNetworkAccessManager *manager = nullptr;
    std::map<quint64, Entry> entries; // in the order of the events
    quint64 nextId = 0;
    std::deque<quint64> waiting; // cards read, waiting for a free request
    QHash<QNetworkReply *, quint64> inFlight;
    int status = 0;
    bool ending = false;
};
