// SPDX-License-Identifier: MIT
#include "cardreader.h"

#include "cardstack.h"

#include <QMetaObject>

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct CardReader::Shared
{
    std::mutex mutex;
    CardReader *owner = nullptr; // null once cancelled: nothing is delivered then
    CardStack stack; // used by the thread; cancelled from the owner's
};

namespace {

using Clock = std::chrono::steady_clock;
using Reading = CardStack::Reading;

Reading failure(ReaderFailure kind, const QString &detail)
{
    Reading reading;
    reading.error = {kind, detail};
    return reading;
}

// The failure a stack's answer means while waiting for a card.
Reading waitFailure(const CardStack::Result &answer)
{
    switch (answer.answer) {
    case CardStack::Answer::Cancelled:
        return failure(ReaderFailure::Cancelled, answer.name);
    case CardStack::Answer::ServiceGone:
        return failure(ReaderFailure::NoService, answer.name);
    default:
        break;
    }
    return failure(ReaderFailure::Unreadable, answer.name);
}

// Runs call with the owner on the owner's thread, unless the owner has cancelled by then.
void deliver(const std::shared_ptr<CardReader::Shared> &shared,
             const std::function<void(CardReader *)> &call)
{
    const std::lock_guard<std::mutex> lock(shared->mutex);
    if (!shared->owner)
        return;
    QMetaObject::invokeMethod(
            shared->owner,
            [shared, call]() {
                CardReader *owner = nullptr;
                {
                    const std::lock_guard<std::mutex> held(shared->mutex);
                    owner = shared->owner;
                }
                if (owner)
                    call(owner);
            },
            Qt::QueuedConnection);
}

// What the thread tells the owner on the way.
struct News
{
    std::function<void()> reading; // a reading starts: its time runs
    std::function<void()> passedOver; // it found a card of another kind: the wait goes on
    std::function<void()> otherCard; // that card was put in during the wait
};

Reading waitAndRead(CardStack &stack, int waitMs, int readMs, const News &news)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    bool sawReader = false;
    std::vector<CardStack::Reader> readers;
    bool relist = true;
    bool atStart = true; // the cards in the readers when the wait began
    // The card each reader holds that was read already, by the stack's count of its insertions:
    // a connection, ours or another program's, changes the reader's state too.
    std::map<std::string, int> examined;
    Reading otherKind; // the last card of another kind, should nothing else come
    for (;;) {
        CardStack::Result answer;
        bool listChanged = false;
        if (relist) {
            std::vector<std::string> names;
            answer = stack.readerNames(names);
            if (answer.answer != CardStack::Answer::Ok)
                return answer.answer == CardStack::Answer::Failed
                               ? failure(ReaderFailure::NoReader, answer.name)
                               : waitFailure(answer);
            readers.assign(names.size(), CardStack::Reader());
            for (size_t i = 0; i < names.size(); ++i)
                readers[i].name = names[i];
            sawReader = sawReader || !names.empty();
            // The readers' present state, at once.
            answer = stack.waitForChange(readers, listChanged, 0);
        } else {
            const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            answer = left.count() <= 0
                             ? CardStack::Result{CardStack::Answer::Timeout,
                                                 CardStack::timedOutName()}
                             : stack.waitForChange(readers, listChanged, int(left.count()));
        }
        relist = false;
        if (answer.answer == CardStack::Answer::Timeout && Clock::now() >= deadline) {
            if (otherKind.error.failure == ReaderFailure::NotInsuranceCard)
                return otherKind;
            return sawReader ? failure(ReaderFailure::NoCard, answer.name)
                             : failure(ReaderFailure::NoReader,
                                       QStringLiteral("SCARD_E_NO_READERS_AVAILABLE"));
        }
        // A reader unplugged between the list and the look at it: the list is asked again.
        if (answer.answer == CardStack::Answer::ReaderGone || listChanged) {
            relist = true;
            continue;
        }
        if (answer.answer != CardStack::Answer::Ok && answer.answer != CardStack::Answer::Timeout)
            return waitFailure(answer);
        // Every card new now is read, in the readers' order; the first insurance card wins. A
        // card of another kind leaves the wait going; else the first card's failure is the
        // answer: the user has put in a card, and waiting on would leave them guessing.
        Reading first;
        bool examinedOne = false;
        for (const CardStack::Reader &reader : readers) {
            if (!reader.present)
                examined.erase(reader.name);
            const auto seen = examined.find(reader.name);
            if (!reader.present || !reader.changed
                || (seen != examined.end() && seen->second == reader.insertions))
                continue;
            examined[reader.name] = reader.insertions;
            Reading outcome = stack.read(reader.name, news.reading, readMs);
            if (outcome.read)
                return outcome;
            if (outcome.error.failure == ReaderFailure::NotInsuranceCard) {
                otherKind = outcome;
                news.passedOver();
                if (!atStart)
                    news.otherCard();
                continue;
            }
            if (!examinedOne)
                first = outcome;
            examinedOne = true;
        }
        if (examinedOne)
            return first;
        atStart = false;
    }
}

// What the thread does once the service is open: waits for a card and reads it, or reads the one
// in a given reader, telling the owner through news.
using Job = std::function<Reading(CardStack &stack, const News &news)>;

void run(const std::shared_ptr<CardReader::Shared> &shared, const Job &job)
{
    CardStack &stack = shared->stack;
    const CardStack::Result opened = stack.open();
    Reading outcome;
    if (opened.answer != CardStack::Answer::Ok) {
        outcome = failure(opened.answer == CardStack::Answer::Cancelled ? ReaderFailure::Cancelled
                                                                        : ReaderFailure::NoService,
                          opened.name);
    } else {
        News news;
        news.reading = [shared]() { deliver(shared, &CardReader::startReadLimit); };
        news.passedOver = [shared]() { deliver(shared, &CardReader::stopReadLimit); };
        news.otherCard = [shared]() {
            deliver(shared, [](CardReader *owner) { Q_EMIT owner->otherCard(); });
        };
        outcome = job(stack, news);
    }
    stack.close();

    // The owner hears nothing after this.
    deliver(shared, [shared, outcome](CardReader *owner) {
        {
            const std::lock_guard<std::mutex> lock(shared->mutex);
            shared->owner = nullptr;
        }
        if (outcome.read)
            Q_EMIT owner->cardRead(outcome.card);
        else
            Q_EMIT owner->readFailed(outcome.error);
    });
    // Last: the end of the run waits for this, and for nothing that comes after it.
    stack.letGo();
}

} // namespace

CardReader::CardReader(QObject *parent)
    : QObject(parent)
    , shared(std::make_shared<Shared>())
{
    readLimit.setSingleShot(true);
    connect(&readLimit, &QTimer::timeout, this, [this]() {
        {
            // The answer may have come meanwhile: then it stands.
            const std::lock_guard<std::mutex> lock(shared->mutex);
            if (!shared->owner)
                return;
        }
        // The thread stays in a command the card never answers; it is left to itself.
        cancel();
        Q_EMIT readFailed({ReaderFailure::Unreadable, timedOutName()});
    });
}

void CardReader::startReadLimit()
{
    if (!readLimit.isActive())
        readLimit.start(readLimitFor);
}

void CardReader::stopReadLimit()
{
    readLimit.stop();
}

CardReader::~CardReader()
{
    cancel();
}

void CardReader::start(int waitFor, int readFor)
{
    readLimitFor = readFor;
    shared->owner = this;
    shared->stack.claim();
    // Detached: a card that stops answering can hold the thread in a command that nothing
    // cancels, and the run must not wait for it to end. It holds only the shared part.
    std::thread(run, shared, [waitFor, readFor](CardStack &stack, const News &news) {
        return waitAndRead(stack, waitFor, readFor, news);
    }).detach();
}

void CardReader::readFrom(const QString &reader)
{
    shared->owner = this;
    shared->stack.claim();
    std::thread(run, shared,
                [name = reader.toStdString(), readFor = readLimitFor](CardStack &stack,
                                                                      const News &news) {
                    return stack.read(name, news.reading, readFor);
                })
            .detach();
}

QString CardReader::cancelledName()
{
    return CardStack::cancelledName();
}

QString CardReader::timedOutName()
{
    return CardStack::timedOutName();
}

void CardReader::cancel()
{
    readLimit.stop();
    {
        const std::lock_guard<std::mutex> lock(shared->mutex);
        shared->owner = nullptr;
    }
    shared->stack.cancel();
}
