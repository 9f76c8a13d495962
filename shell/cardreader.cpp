// SPDX-License-Identifier: MIT
#include "cardreader.h"

#include "cardstack.h"

#include <QMetaObject>

#include <chrono>
#include <functional>
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

Reading waitAndRead(CardStack &stack, int waitMs, const std::function<void()> &reading)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    bool sawReader = false;
    std::vector<CardStack::Reader> readers;
    bool relist = true;
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
        if (answer.answer == CardStack::Answer::Timeout && Clock::now() >= deadline)
            return sawReader ? failure(ReaderFailure::NoCard, answer.name)
                             : failure(ReaderFailure::NoReader,
                                       QStringLiteral("SCARD_E_NO_READERS_AVAILABLE"));
        // A reader unplugged between the list and the look at it: the list is asked again.
        if (answer.answer == CardStack::Answer::ReaderGone || listChanged) {
            relist = true;
            continue;
        }
        if (answer.answer != CardStack::Answer::Ok && answer.answer != CardStack::Answer::Timeout)
            return waitFailure(answer);
        // Every card present now is read, in the readers' order; the first insurance card wins,
        // else the first card's failure is the answer: the user has put in a card, and waiting
        // on would leave them guessing.
        Reading first;
        bool examined = false;
        for (const CardStack::Reader &reader : readers) {
            if (!reader.present || !reader.changed)
                continue;
            Reading outcome = stack.read(reader.name, reading);
            if (outcome.read)
                return outcome;
            if (!examined)
                first = outcome;
            examined = true;
        }
        if (examined)
            return first;
    }
}

// What the thread does once the service is open: waits for a card and reads it, or reads the one
// in a given reader. reading is called as the card is being connected to.
using Job = std::function<Reading(CardStack &stack, const std::function<void()> &reading)>;

void run(std::shared_ptr<CardReader::Shared> shared, const Job &job)
{
    CardStack &stack = shared->stack;
    const CardStack::Result opened = stack.open();
    Reading outcome;
    if (opened.answer != CardStack::Answer::Ok) {
        outcome = failure(opened.answer == CardStack::Answer::Cancelled ? ReaderFailure::Cancelled
                                                                        : ReaderFailure::NoService,
                          opened.name);
    } else {
        const auto reading = [shared]() {
            const std::lock_guard<std::mutex> lock(shared->mutex);
            if (shared->owner)
                QMetaObject::invokeMethod(shared->owner, &CardReader::startReadLimit,
                                          Qt::QueuedConnection);
        };
        outcome = job(stack, reading);
    }
    stack.close();

    // Delivered to the owner's thread; by then the owner may have cancelled, so it looks again.
    const std::lock_guard<std::mutex> lock(shared->mutex);
    if (!shared->owner)
        return;
    QMetaObject::invokeMethod(
            shared->owner,
            [shared, outcome]() {
                CardReader *owner = nullptr;
                {
                    const std::lock_guard<std::mutex> lock(shared->mutex);
                    owner = shared->owner;
                    shared->owner = nullptr;
                }
                if (!owner)
                    return;
                if (outcome.read)
                    Q_EMIT owner->cardRead(outcome.card);
                else
                    Q_EMIT owner->readFailed(outcome.error);
            },
            Qt::QueuedConnection);
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
        readLimit.start(readLimitTime);
}

CardReader::~CardReader()
{
    cancel();
}

void CardReader::start(int waitFor)
{
    shared->owner = this;
    // Detached: a card that stops answering can hold the thread in a command that nothing
    // cancels, and the run must not wait for it to end. It holds only the shared part.
    std::thread(run, shared, [waitFor](CardStack &stack, const std::function<void()> &reading) {
        return waitAndRead(stack, waitFor, reading);
    }).detach();
}

void CardReader::readFrom(const QString &reader)
{
    shared->owner = this;
    std::thread(
            run, shared,
            [name = reader.toStdString()](CardStack &stack, const std::function<void()> &reading) {
                return stack.read(name, reading);
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
