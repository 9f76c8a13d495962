// SPDX-License-Identifier: MIT
#include "cardwatcher.h"

#include "cardstack.h"

#include <QDateTime>
#include <QMetaObject>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct CardWatcher::Shared
{
    std::mutex mutex;
    std::condition_variable wake;
    CardWatcher *owner = nullptr; // null once stopped: nothing is delivered then
    bool stopping = false;
    CardStack stack; // used by the thread; cancelled from the owner's
};

namespace {

using Event = WatchEvents::Event;
using Kind = WatchEvents::Kind;
using Reader = CardStack::Reader;

// Any change ends a wait at once, and so does stop(); the wait's own end only starts the next.
constexpr int idleWaitMs = 60 * 60 * 1000;

// The watching thread: the readers as last seen, and what of them the owner has been told.
class Watching
{
public:
    explicit Watching(std::shared_ptr<CardWatcher::Shared> sharedPart)
        : shared(std::move(sharedPart))
        , stack(shared->stack)
    { }

    void run()
    {
        while (!stopping()) {
            if (state != State::Up && !connect()) {
                pause();
                continue;
            }
            const std::vector<Reader> before = readers;
            bool listChanged = false;
            const CardStack::Result answer = stack.waitForChange(readers, listChanged, idleWaitMs);
            switch (answer.answer) {
            case CardStack::Answer::Cancelled:
                return;
            case CardStack::Answer::Timeout:
                break;
            case CardStack::Answer::Ok:
                compare(before);
                if (listChanged)
                    relist();
                break;
            case CardStack::Answer::ReaderGone:
                relist();
                break;
            case CardStack::Answer::ServiceGone:
            case CardStack::Answer::Failed:
                reconnect();
                break;
            }
        }
    }

private:
    enum class State { Starting, Up, Down };

    bool stopping()
    {
        const std::lock_guard<std::mutex> lock(shared->mutex);
        return shared->stopping;
    }

    void pause()
    {
        std::unique_lock<std::mutex> lock(shared->mutex);
        shared->wake.wait_for(lock, std::chrono::milliseconds(CardWatcher::retryMs),
                              [this] { return shared->stopping; });
    }

    void deliver(Kind kind, const std::string &reader = {}, bool present = false)
    {
        Event event;
        event.kind = kind;
        event.at = QDateTime::currentMSecsSinceEpoch();
        event.reader = QString::fromStdString(reader);
        event.present = present;
        if (kind == Kind::Ready || (kind == Kind::Service && present)) {
            for (const Reader &known : readers)
                event.readers << QString::fromStdString(known.name);
        }
        // Delivered to the owner's thread; by then the owner may have stopped, so it looks again.
        const std::lock_guard<std::mutex> lock(shared->mutex);
        if (!shared->owner)
            return;
        QMetaObject::invokeMethod(
                shared->owner,
                [shared = shared, event]() {
                    CardWatcher *owner = nullptr;
                    {
                        const std::lock_guard<std::mutex> held(shared->mutex);
                        owner = shared->owner;
                    }
                    if (owner)
                        Q_EMIT owner->happened(event);
                },
                Qt::QueuedConnection);
    }

    // Opens the service and takes its readers; false when it is not there, told once.
    bool connect()
    {
        std::vector<std::string> names;
        CardStack::Result answer = stack.open();
        if (answer.answer == CardStack::Answer::Ok)
            answer = stack.readerNames(names);
        if (answer.answer != CardStack::Answer::Ok) {
            stack.close();
            if (state == State::Starting)
                deliver(Kind::Ready);
            if (state != State::Down)
                lose();
            state = State::Down;
            return false;
        }
        adopt(names, state == State::Up);
        if (state != State::Up)
            deliver(state == State::Starting ? Kind::Ready : Kind::Service, {}, true);
        state = State::Up;
        return true;
    }

    // The service failed a wait: it is opened again at once. What was known of the readers
    // stays, so that a service that was not gone after all tells no news; one that is gone is told.
    void reconnect()
    {
        stack.close();
        for (Reader &reader : readers)
            reader.seen = 0;
        connect();
    }

    // The service is gone: a card seen in a reader is out of reach, so it counts as taken out;
    // the service's return shows it again.
    void lose()
    {
        for (const Reader &reader : readers) {
            if (reader.present)
                deliver(Kind::Removed, reader.name);
        }
        readers.clear();
        deliver(Kind::Service, {}, false);
    }

    // Takes the service's list of readers, in its order, keeping what was known of each; with
    // announce, the readers that came or went are told.
    void adopt(const std::vector<std::string> &names, bool announce)
    {
        std::vector<Reader> next;
        for (const std::string &name : names) {
            const auto known = std::find_if(readers.begin(), readers.end(),
                                            [&](const Reader &r) { return r.name == name; });
            if (known != readers.end()) {
                next.push_back(*known);
                continue;
            }
            Reader reader;
            reader.name = name;
            next.push_back(reader);
            if (announce)
                deliver(Kind::Reader, name, true);
        }
        for (const Reader &reader : readers) {
            if (std::find(names.begin(), names.end(), reader.name) != names.end() || !announce)
                continue;
            if (reader.present)
                deliver(Kind::Removed, reader.name);
            deliver(Kind::Reader, reader.name, false);
        }
        readers = next;
    }

    void relist()
    {
        std::vector<std::string> names;
        if (stack.readerNames(names).answer != CardStack::Answer::Ok) {
            reconnect();
            return;
        }
        adopt(names, true);
    }

    // A card is taken out when its reader turns empty, put in when it turns full; one taken out
    // and put in again between two looks leaves the reader full, but the stack has counted it.
    void compare(const std::vector<Reader> &before)
    {
        for (size_t i = 0; i < readers.size(); ++i) {
            const Reader &was = before[i], &is = readers[i];
            if (!is.changed)
                continue;
            const bool again = was.present && is.present && was.insertions != is.insertions;
            if (was.present && (!is.present || again))
                deliver(Kind::Removed, is.name);
            if (is.present && (!was.present || again))
                deliver(Kind::Card, is.name);
        }
    }

    std::shared_ptr<CardWatcher::Shared> shared;
    CardStack &stack;
    std::vector<Reader> readers;
    State state = State::Starting;
};

void watch(const std::shared_ptr<CardWatcher::Shared> &shared)
{
    Watching(shared).run();
    // The end of the run waits for this (CardStack::allLetGo), not the owner's end.
    shared->stack.letGo();
}

} // namespace

CardWatcher::CardWatcher(QObject *parent)
    : QObject(parent)
    , shared(std::make_shared<Shared>())
{ }

CardWatcher::~CardWatcher()
{
    stop();
}

void CardWatcher::start()
{
    shared->owner = this;
    shared->stack.claim();
    // Detached: a service that hangs can hold the thread in a call, and the process must not wait
    // for it to end. It holds only the shared part.
    std::thread(watch, shared).detach();
}

void CardWatcher::stop()
{
    {
        const std::lock_guard<std::mutex> lock(shared->mutex);
        shared->owner = nullptr;
        shared->stopping = true;
    }
    shared->wake.notify_all();
    shared->stack.cancel();
}
