// SPDX-License-Identifier: MIT
#pragma once

#include "chipdata.h"
#include "readerfailure.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// The one place that calls the smart-card stack (PC/SC: pcsc-lite here, the same calls on macOS
// and Windows, see docs/porting.md): a connection to the service, its readers and their state,
// and the reading of one card. No type of the stack leaves this file pair, so the waiting for a
// card and the watching of readers above it are plain logic.
//
// One object belongs to one thread: its calls block. Only cancel() may be called from any other.
class CardStack
{
public:
    // What the stack answered, in the few kinds the program tells apart; name is the stack's own
    // name for it (e.g. "SCARD_E_NO_SERVICE").
    enum class Answer {
        Ok,
        Timeout, // the wait ended without a change
        Cancelled, // cancel() was called
        ServiceGone, // no service, or it stopped
        ReaderGone, // a reader named in the call is not there (any more)
        Failed, // anything else
    };
    struct Result
    {
        Answer answer = Answer::Ok;
        QString name;
    };

    // A reader and what the stack last said of it. The watcher of changes keeps what it saw in
    // `seen`; waitForChange() tells present/changed against it.
    struct Reader
    {
        std::string name;
        bool present = false; // a card is in it
        bool changed = false; // its state differs from the one seen before the call
        int insertions = 0; // the stack's count of card events in this reader, where it keeps one
        unsigned long seen = 0; // the stack's state word as last seen; 0 for none yet
    };

    // A card read from a reader: the chip's data, or why there is none.
    struct Reading
    {
        bool read = false;
        ChipData::Card card;
        ReaderError error;
    };

    // How long reading a card may take, the second try and the waits for a card that another
    // program holds included.
    static constexpr int readLimitMs = 10000;

    CardStack() = default;
    ~CardStack();
    CardStack(const CardStack &) = delete;
    CardStack &operator=(const CardStack &) = delete;

    // Counts the stack as in use from now on, for the thread that is about to open it: called by
    // the owner before that thread starts, so that an end of the run that comes first waits for
    // it too (see allLetGo()). open() claims it as well.
    void claim();
    // Connects to the service; again after it went away, to a new one.
    Result open();
    // Leaves the service; open() may follow.
    void close();
    // Leaves the service and ends the claim: the thread is done with the stack. The destructor
    // does it too.
    void letGo();
    // From any thread: the wait under way, and every one after it, ends as Cancelled.
    void cancel();
    bool cancelled() const { return cancelledFlag; }

    // The readers the service knows now, in its order; none is no error.
    Result readerNames(std::vector<std::string> &names);

    // Waits at most timeoutMs for a change in one of readers or in the list of readers itself
    // (a reader plugged in or pulled out: listChanged). A timeout of 0 tells the state at once;
    // readers whose `seen` is 0 are reported as changed at once.
    Result waitForChange(std::vector<Reader> &readers, bool &listChanged, int timeoutMs);

    // Reads the card in reader: connects, reads both files, leaves the card as it was. A card that
    // went away or stopped answering in the middle is tried once more as soon as the reader shows
    // it back (within a short while). A card that another program holds for itself is asked for
    // again until it is free, until shortly before limitMs from the call have passed (InUse
    // then); no call of the stack can end a command that the card never answers, so the caller
    // keeps its own timer of limitMs for that. starting is called as the connection is asked for.
    Reading read(const std::string &reader, const std::function<void()> &starting = {},
                 int limitMs = readLimitMs);

    // The stack's names for the two ends a reading may get from outside: the user gave up on the
    // card, or the card did not answer in time.
    static QString cancelledName();
    static QString timedOutName();

    // How long the end of a run waits for the stacks still in use to be let go: a cancelled wait
    // lets go within moments, a card that never answers holds its thread for far longer.
    static constexpr int settleMs = 500;

    // Waits at most withinMs until every stack of the process, claimed in whatever thread, has been
    // let go; false if one is still in use. The end of the process tears the stack's library
    // down, under any call still in it.
    static bool allLetGo(int withinMs = settleMs);

private:
    std::mutex mutex; // guards context against cancel() from another thread
    std::intptr_t context = 0; // the stack's handle, whatever its type
    bool haveContext = false;
    std::atomic<bool> cancelledFlag{false};
    unsigned long plugAndPlaySeen = 0; // the notification entry's state, counting readers
    bool claimed = false; // counted among the stacks in use (see allLetGo())
};
