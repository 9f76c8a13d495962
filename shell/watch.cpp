// SPDX-License-Identifier: MIT
#include "watch.h"

#include "cardnumber.h"
#include "cardrequest.h"
#include "cardwatcher.h"
#include "jsonanswer.h"
#include "lookup.h"
#include "output.h"
#include "reporttexts.h"

#include <QDate>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSet>
#include <QTimer>

namespace {

// A card's answer when it could not be read, as the single card's JSON answer gives it.
QByteArray readerAnswer(ReaderFailure failure, const QString &detail)
{
    return JsonAnswer::readerFailed(ReportTexts::plainText(ReportTexts::reader(failure)), detail);
}

// A looked-up card's answer: the lookup's object with the chip's.
QByteArray lookupAnswer(const Lookup::Result &result, const QByteArray &chip)
{
    return JsonAnswer::withChip(JsonAnswer::object(result), chip);
}

} // namespace

Watch::Watch(bool onlyTheChip, int requestsAtOnce, QObject *parent)
    : QObject(parent)
    , chipOnly(onlyTheChip)
    , jobs(requestsAtOnce)
    , lineSink([](const QByteArray &line) { return Output::write(line + '\n'); })
{
    Output::setLastLines([this] { writeRest(); });
}

Watch::~Watch()
{
    Output::setLastLines(nullptr);
}

void Watch::start()
{
    if (!chipOnly) {
        manager = new QNetworkAccessManager(this);
        CardRequest::useProxy(manager);
    }
    watcher = new CardWatcher(this);
    connect(watcher, &CardWatcher::happened, this, &Watch::happened);
    watcher->start();
}

void Watch::happened(const WatchEvents::Event &event)
{
    if (ending)
        return;
    const auto hold = Output::holdAnswer();
    const quint64 id = nextId++;
    Entry &entry = entries[id];
    entry.event = event;
    if (event.kind != WatchEvents::Kind::Card) {
        decide(id);
        return;
    }
    entry.line = WatchEvents::line(
            event, readerAnswer(ReaderFailure::Unreadable, CardReader::timedOutName()));
    entry.reader = new CardReader(this);
    entry.reader->setReadLimit(readLimitMs);
    connect(entry.reader, &CardReader::cardRead, this,
            [this, id](const ChipData::Card &card) { cardRead(id, card); });
    connect(entry.reader, &CardReader::readFailed, this,
            [this, id](const ReaderError &error) { readFailed(id, error); });
    entry.reader->readFrom(event.reader);
}

void Watch::cardRead(quint64 id, const ChipData::Card &card)
{
    const auto hold = Output::holdAnswer();
    Entry &entry = entries.at(id);
    entry.reader->deleteLater();
    entry.reader = nullptr;
    entry.chip = JsonAnswer::chipObject(card, QDate::currentDate());
    if (chipOnly) {
        decide(id, JsonAnswer::chipRead(entry.chip));
        return;
    }
    // As the single card does: the chip's number is checked like a typed one.
    entry.card = CardNumber::cleanUp(card.cardNumber);
    const CardNumber::Verdict verdict = CardNumber::check(entry.card);
    if (verdict != CardNumber::Verdict::Accepted) {
        decide(id, lookupAnswer(Lookup::rejected(entry.card, verdict), entry.chip));
        return;
    }
    entry.line =
            WatchEvents::line(entry.event, lookupAnswer(Lookup::timedOut(entry.card), entry.chip));
    waiting.push_back(id);
    pump();
}

void Watch::readFailed(quint64 id, const ReaderError &error)
{
    const auto hold = Output::holdAnswer();
    Entry &entry = entries.at(id);
    entry.reader->deleteLater();
    entry.reader = nullptr;
    decide(id, readerAnswer(error.failure, error.detail));
}

void Watch::pump()
{
    while (!ending && inFlight.size() < jobs && !waiting.empty()) {
        const quint64 id = waiting.front();
        waiting.pop_front();
        QNetworkReply *reply = CardRequest::send(manager, entries.at(id).card);
        inFlight.insert(reply, id);
        connect(reply, &QNetworkReply::finished, this, [this, reply] { replyFinished(reply); });
    }
}

void Watch::replyFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    const auto found = inFlight.find(reply);
    if (found == inFlight.end())
        return;
    const quint64 id = found.value();
    inFlight.erase(found);
    const auto hold = Output::holdAnswer();
    const Entry &entry = entries.at(id);
    decide(id,
           lookupAnswer(Lookup::fromReply(entry.card, CardRequest::collect(reply)), entry.chip));
    pump();
}

void Watch::decide(quint64 id, const QByteArray &answer)
{
    Entry &entry = entries.at(id);
    entry.line = WatchEvents::line(entry.event, answer);
    entry.decided = true;
    flush();
}

void Watch::flush()
{
    // Each decided line goes out unless an earlier line of its reader is still open.
    QSet<QString> held;
    for (auto it = entries.begin(); it != entries.end();) {
        const QString &lane = it->second.event.reader;
        if (!it->second.decided || held.contains(lane)) {
            held.insert(lane);
            ++it;
            continue;
        }
        if (!lineSink(it->second.line)) {
            // Nobody reads any more: reading cards and asking the shared service would be for
            // nothing. Ended once this call has returned.
            status = JsonAnswer::undeliveredStatus;
            QTimer::singleShot(0, this, [this] { end(false); });
            ending = true;
            return;
        }
        it = entries.erase(it);
    }
}

void Watch::stop()
{
    end(status == 0);
}

void Watch::abandon()
{
    status = JsonAnswer::undeliveredStatus;
    end(false);
}

void Watch::end(bool deliverable)
{
    if (watcher == nullptr)
        return;
    const auto hold = Output::holdAnswer();
    ending = true;
    delete watcher;
    watcher = nullptr;
    waiting.clear();
    const QHash<QNetworkReply *, quint64> open = inFlight;
    inFlight.clear();
    for (auto it = open.begin(); it != open.end(); ++it)
        it.key()->abort();
    for (auto &[id, entry] : entries) {
        if (entry.decided)
            continue;
        if (entry.reader) {
            entry.reader->cancel();
            entry.line = WatchEvents::line(entry.event, readerAnswer(ReaderFailure::Cancelled,
                                                                     CardReader::cancelledName()));
        } else {
            entry.line = WatchEvents::line(entry.event,
                                           lookupAnswer(Lookup::cancelled(entry.card), entry.chip));
        }
        entry.decided = true;
    }
    if (deliverable)
        flush();
    entries.clear();
    QTimer::singleShot(0, this, &Watch::finished);
}

void Watch::writeRest()
{
    QByteArray lines;
    for (const auto &[id, entry] : entries)
        lines += entry.line + '\n';
    Output::write(lines);
}
