// SPDX-License-Identifier: MIT
#include "cardstack.h"

#include "cardexchange.h"

#include <chrono>
#include <condition_variable>
#include <thread>

// The one include of PC/SC in the program; what macOS and Windows name differently is in
// docs/porting.md.
#include <winscard.h>

// pcsc-lite keeps the Windows names for the types but not every Windows macro.
#ifndef SCARD_E_NO_READERS_AVAILABLE
#define SCARD_E_NO_READERS_AVAILABLE ((LONG)0x8010002E)
#endif

namespace {

// The reader that announces readers coming and going, for SCardGetStatusChange.
const char plugAndPlayReader[] = "\\\\?PnP?\\Notification";

// A short APDU's longest answer: 256 bytes and the status word.
constexpr int maxResponse = 258;

// How long a card that left the contacts in the middle of a reading has to come back before the
// second try: a contact that bounced, or a card pushed in again at once.
constexpr int returnWithinMs = 2000;

// How often a card that another program holds for itself is asked for again, and how long before
// the reading's limit the asking ends: its answer must reach the caller before the caller's own
// timer for a card that hangs does.
constexpr int askAgainMs = 150;
constexpr int answerMarginMs = 500;

// How long a service that takes a connection but does not answer it is asked again, before it
// counts as stopped.
constexpr int serviceAnswerMs = 1000;

// pcsc-lite counts a reader's card events in the upper half of its event state.
constexpr int eventCountShift = 16;

using Clock = std::chrono::steady_clock;

QString errorName(LONG rv)
{
    switch (rv) {
    case SCARD_S_SUCCESS:
        return QStringLiteral("SCARD_S_SUCCESS");
    case SCARD_E_CANCELLED:
        return QStringLiteral("SCARD_E_CANCELLED");
    case SCARD_E_NO_SERVICE:
        return QStringLiteral("SCARD_E_NO_SERVICE");
    case SCARD_E_SERVICE_STOPPED:
        return QStringLiteral("SCARD_E_SERVICE_STOPPED");
    case SCARD_E_NO_READERS_AVAILABLE:
        return QStringLiteral("SCARD_E_NO_READERS_AVAILABLE");
    case SCARD_E_READER_UNAVAILABLE:
        return QStringLiteral("SCARD_E_READER_UNAVAILABLE");
    case SCARD_E_UNKNOWN_READER:
        return QStringLiteral("SCARD_E_UNKNOWN_READER");
    case SCARD_E_NO_SMARTCARD:
        return QStringLiteral("SCARD_E_NO_SMARTCARD");
    case SCARD_W_REMOVED_CARD:
        return QStringLiteral("SCARD_W_REMOVED_CARD");
    case SCARD_W_RESET_CARD:
        return QStringLiteral("SCARD_W_RESET_CARD");
    case SCARD_W_UNRESPONSIVE_CARD:
        return QStringLiteral("SCARD_W_UNRESPONSIVE_CARD");
    case SCARD_W_UNPOWERED_CARD:
        return QStringLiteral("SCARD_W_UNPOWERED_CARD");
    case SCARD_W_UNSUPPORTED_CARD:
        return QStringLiteral("SCARD_W_UNSUPPORTED_CARD");
    case SCARD_E_PROTO_MISMATCH:
        return QStringLiteral("SCARD_E_PROTO_MISMATCH");
    case SCARD_E_SHARING_VIOLATION:
        return QStringLiteral("SCARD_E_SHARING_VIOLATION");
    case SCARD_E_TIMEOUT:
        return QStringLiteral("SCARD_E_TIMEOUT");
    case SCARD_E_NOT_TRANSACTED:
        return QStringLiteral("SCARD_E_NOT_TRANSACTED");
    case SCARD_F_COMM_ERROR:
        return QStringLiteral("SCARD_F_COMM_ERROR");
    case SCARD_F_INTERNAL_ERROR:
        return QStringLiteral("SCARD_F_INTERNAL_ERROR");
    case SCARD_E_NO_MEMORY:
        return QStringLiteral("SCARD_E_NO_MEMORY");
    case SCARD_E_INSUFFICIENT_BUFFER:
        return QStringLiteral("SCARD_E_INSUFFICIENT_BUFFER");
    case SCARD_E_INVALID_HANDLE:
        return QStringLiteral("SCARD_E_INVALID_HANDLE");
    default:
        break;
    }
    return QStringLiteral("SCARD 0x%1").arg(quint32(rv), 8, 16, QLatin1Char('0'));
}

bool serviceGone(LONG rv)
{
    return rv == SCARD_E_NO_SERVICE || rv == SCARD_E_SERVICE_STOPPED;
}

// pcsc-lite answers a call whose service went away meanwhile with the transport error a card that
// garbles its answers gives too: a new connection to the service tells the two apart. A service
// in the middle of dying may still take the connection and then fail it in any way: it is asked
// again for a short while, until it is gone or answers.
LONG serviceChecked(LONG rv)
{
    if (rv != SCARD_F_COMM_ERROR)
        return rv;
    const Clock::time_point giveUp = Clock::now() + std::chrono::milliseconds(serviceAnswerMs);
    LONG established = SCARD_F_COMM_ERROR;
    for (;;) {
        SCARDCONTEXT probe = 0;
        established = SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &probe);
        if (established == SCARD_S_SUCCESS) {
            SCardReleaseContext(probe);
            return rv;
        }
        if (serviceGone(established) || Clock::now() >= giveUp)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(askAgainMs));
    }
    return serviceGone(established) ? established : SCARD_E_SERVICE_STOPPED;
}

// The stacks claimed in the process, each for a thread of its own, for the end of the run to wait
// for.
struct StacksInUse
{
    std::mutex mutex;
    std::condition_variable noneInUse; // notified as the count comes to 0
    int count = 0;
};

// Never destroyed: a thread still held by a card may close its stack as the process ends.
StacksInUse &stacksInUse()
{
    static auto *const all = new StacksInUse;
    return *all;
}

CardStack::Result result(LONG rv)
{
    rv = serviceChecked(rv);
    CardStack::Answer answer = CardStack::Answer::Failed;
    if (rv == SCARD_S_SUCCESS)
        answer = CardStack::Answer::Ok;
    else if (rv == SCARD_E_TIMEOUT)
        answer = CardStack::Answer::Timeout;
    else if (rv == SCARD_E_CANCELLED)
        answer = CardStack::Answer::Cancelled;
    else if (serviceGone(rv))
        answer = CardStack::Answer::ServiceGone;
    else if (rv == SCARD_E_UNKNOWN_READER || rv == SCARD_E_READER_UNAVAILABLE)
        answer = CardStack::Answer::ReaderGone;
    return {answer, errorName(rv)};
}

// Errors that mean the card went away or stopped answering in the middle: worth one more try
// from the connection on, since a card pushed in slowly or a reader's contact bounce looks so.
bool worthRetry(LONG rv)
{
    return rv == SCARD_W_REMOVED_CARD || rv == SCARD_W_RESET_CARD || rv == SCARD_W_UNRESPONSIVE_CARD
           || rv == SCARD_W_UNPOWERED_CARD || rv == SCARD_E_NO_SMARTCARD
           || rv == SCARD_E_NOT_TRANSACTED || rv == SCARD_F_COMM_ERROR;
}

CardStack::Reading failure(ReaderFailure kind, const QString &detail)
{
    CardStack::Reading reading;
    reading.error = {kind, detail};
    return reading;
}

// Connects to the card and begins the transaction. While another program holds the card for
// itself, it is asked for again until giveUp; SCARD_E_CANCELLED when the run is cancelled
// meanwhile.
LONG connect(SCARDCONTEXT context, const std::string &reader, Clock::time_point giveUp,
             const std::atomic<bool> &cancelled, SCARDHANDLE &handle, DWORD &protocol)
{
    const std::chrono::milliseconds pause(askAgainMs);
    for (;;) {
        LONG rv = SCardConnect(context, reader.c_str(), SCARD_SHARE_SHARED,
                               SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &handle, &protocol);
        if (rv == SCARD_S_SUCCESS) {
            rv = SCardBeginTransaction(handle);
            if (rv != SCARD_S_SUCCESS)
                SCardDisconnect(handle, SCARD_LEAVE_CARD);
        }
        if (rv != SCARD_E_SHARING_VIOLATION || Clock::now() + pause >= giveUp)
            return rv;
        if (cancelled)
            return SCARD_E_CANCELLED;
        std::this_thread::sleep_for(pause);
    }
}

// One reading of the card in the reader, from the connection on. rv tells a transport error.
CardStack::Reading readOnce(SCARDCONTEXT context, const std::string &reader,
                            Clock::time_point giveUp, const std::atomic<bool> &cancelled, LONG &rv)
{
    SCARDHANDLE handle = 0;
    DWORD protocol = 0;
    rv = connect(context, reader, giveUp, cancelled, handle, protocol);
    if (rv != SCARD_S_SUCCESS)
        return {};
    const SCARD_IO_REQUEST *pci = protocol == SCARD_PROTOCOL_T0 ? SCARD_PCI_T0 : SCARD_PCI_T1;
    const CardExchange::Files files =
            CardExchange::readFiles([&](const QByteArray &command, QByteArray &response) {
                unsigned char buffer[maxResponse];
                DWORD length = sizeof buffer;
                rv = SCardTransmit(handle, pci,
                                   reinterpret_cast<const unsigned char *>(command.constData()),
                                   DWORD(command.size()), nullptr, buffer, &length);
                response = QByteArray(reinterpret_cast<const char *>(buffer), int(length));
                return rv == SCARD_S_SUCCESS;
            });
    SCardEndTransaction(handle, SCARD_LEAVE_CARD);
    SCardDisconnect(handle, SCARD_LEAVE_CARD);

    switch (files.ending) {
    case CardExchange::Ending::TransportFailed:
        return {};
    case CardExchange::Ending::NoStatusWord:
        rv = SCARD_F_COMM_ERROR;
        return {};
    case CardExchange::Ending::Refused:
        return failure(files.failure, files.statusWord);
    case CardExchange::Ending::Read:
        break;
    }
    CardStack::Reading reading;
    switch (ChipData::parse(files.id, files.ad, reading.card)) {
    case ChipData::Verdict::Read:
        reading.read = true;
        return reading;
    case ChipData::Verdict::NotInsuranceCard:
        return failure(ReaderFailure::NotInsuranceCard, QString());
    case ChipData::Verdict::Unparsable:
        break;
    }
    return failure(ReaderFailure::Unparsable, QString());
}

// Waits, after a reading lost its card, until the reader has shown the card gone and back, or
// returnWithinMs has passed: the service looks at its readers only now and then, so a card it
// still shows may be the one that left. SCARD_E_CANCELLED: the run was cancelled meanwhile.
LONG waitForReturn(SCARDCONTEXT context, const std::string &reader)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(returnWithinMs);
    SCARD_READERSTATE state = SCARD_READERSTATE();
    state.szReader = reader.c_str();
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    bool gone = false;
    for (;;) {
        const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return SCARD_E_TIMEOUT;
        const LONG rv = SCardGetStatusChange(context, DWORD(left.count()), &state, 1);
        if (rv != SCARD_S_SUCCESS)
            return rv;
        state.dwCurrentState = state.dwEventState & ~SCARD_STATE_CHANGED;
        const bool present = (state.dwEventState & SCARD_STATE_PRESENT) != 0;
        gone = gone || !present;
        if (gone && present)
            return SCARD_S_SUCCESS;
    }
}

} // namespace

CardStack::~CardStack()
{
    letGo();
}

void CardStack::claim()
{
    if (claimed)
        return;
    claimed = true;
    StacksInUse &all = stacksInUse();
    const std::lock_guard<std::mutex> lock(all.mutex);
    ++all.count;
}

CardStack::Result CardStack::open()
{
    close();
    claim();
    SCARDCONTEXT handle = 0;
    const LONG rv = SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &handle);
    if (rv != SCARD_S_SUCCESS)
        return result(rv);
    const std::lock_guard<std::mutex> lock(mutex);
    context = std::intptr_t(handle);
    haveContext = true;
    plugAndPlaySeen = 0;
    if (cancelledFlag)
        return result(SCARD_E_CANCELLED);
    return result(SCARD_S_SUCCESS);
}

void CardStack::close()
{
    const std::lock_guard<std::mutex> lock(mutex);
    if (!haveContext)
        return;
    SCardReleaseContext(SCARDCONTEXT(context));
    haveContext = false;
}

void CardStack::letGo()
{
    close();
    if (!claimed)
        return;
    claimed = false;
    StacksInUse &all = stacksInUse();
    const std::lock_guard<std::mutex> lock(all.mutex);
    if (--all.count == 0)
        all.noneInUse.notify_all();
}

bool CardStack::allLetGo(int withinMs)
{
    StacksInUse &all = stacksInUse();
    std::unique_lock<std::mutex> lock(all.mutex);
    return all.noneInUse.wait_for(lock, std::chrono::milliseconds(withinMs),
                                  [&all] { return all.count == 0; });
}

void CardStack::cancel()
{
    const std::lock_guard<std::mutex> lock(mutex);
    cancelledFlag = true;
    if (haveContext)
        SCardCancel(SCARDCONTEXT(context));
}

CardStack::Result CardStack::readerNames(std::vector<std::string> &names)
{
    names.clear();
    if (cancelledFlag)
        return result(SCARD_E_CANCELLED);
    const SCARDCONTEXT handle = SCARDCONTEXT(context);
    DWORD length = 0;
    LONG rv = SCardListReaders(handle, nullptr, nullptr, &length);
    if (rv == SCARD_E_NO_READERS_AVAILABLE)
        return result(SCARD_S_SUCCESS);
    if (rv != SCARD_S_SUCCESS)
        return result(rv);
    std::vector<char> buffer(length + 1, '\0');
    rv = SCardListReaders(handle, nullptr, buffer.data(), &length);
    if (rv == SCARD_E_NO_READERS_AVAILABLE)
        return result(SCARD_S_SUCCESS);
    // A list of strings, each ended by a zero, the list by an empty one.
    for (const char *name = buffer.data(); rv == SCARD_S_SUCCESS && *name;
         name += std::char_traits<char>::length(name) + 1)
        names.emplace_back(name);
    return result(rv);
}

CardStack::Result CardStack::waitForChange(std::vector<Reader> &readers, bool &listChanged,
                                           int timeoutMs)
{
    listChanged = false;
    for (Reader &reader : readers)
        reader.changed = false;
    if (cancelledFlag)
        return result(SCARD_E_CANCELLED);
    std::vector<SCARD_READERSTATE> states(readers.size() + 1, SCARD_READERSTATE());
    states[0].szReader = plugAndPlayReader;
    states[0].dwCurrentState = plugAndPlaySeen;
    for (size_t i = 0; i < readers.size(); ++i) {
        states[i + 1].szReader = readers[i].name.c_str();
        states[i + 1].dwCurrentState = readers[i].seen;
    }
    // The present state at once asks the readers only; the notification entry would answer first.
    const bool atOnce = timeoutMs == 0;
    if (atOnce && readers.empty())
        return result(SCARD_S_SUCCESS);
    const LONG rv = SCardGetStatusChange(SCARDCONTEXT(context), DWORD(timeoutMs),
                                         atOnce ? states.data() + 1 : states.data(),
                                         DWORD(atOnce ? readers.size() : states.size()));
    if (rv != SCARD_S_SUCCESS)
        return result(rv);
    if (!atOnce && (states[0].dwEventState & SCARD_STATE_CHANGED)) {
        plugAndPlaySeen = states[0].dwEventState & ~SCARD_STATE_CHANGED;
        listChanged = true;
    }
    for (size_t i = 0; i < readers.size(); ++i) {
        const DWORD state = states[i + 1].dwEventState;
        Reader &reader = readers[i];
        reader.changed = (state & SCARD_STATE_CHANGED) != 0;
        reader.present = (state & SCARD_STATE_PRESENT) != 0;
        reader.insertions = int(state >> eventCountShift);
        reader.seen = state & ~SCARD_STATE_CHANGED;
    }
    return result(rv);
}

CardStack::Reading CardStack::read(const std::string &reader, const std::function<void()> &starting,
                                   int limitMs)
{
    const Clock::time_point giveUp =
            Clock::now() + std::chrono::milliseconds(limitMs - answerMarginMs);
    if (starting)
        starting();
    const SCARDCONTEXT handle = SCARDCONTEXT(context);
    LONG rv = SCARD_S_SUCCESS;
    Reading reading = readOnce(handle, reader, giveUp, cancelledFlag, rv);
    if (worthRetry(rv)) {
        if (waitForReturn(handle, reader) == SCARD_E_CANCELLED)
            return failure(ReaderFailure::Cancelled, errorName(SCARD_E_CANCELLED));
        reading = readOnce(handle, reader, giveUp, cancelledFlag, rv);
    }
    rv = serviceChecked(rv);
    if (rv == SCARD_S_SUCCESS)
        return reading;
    ReaderFailure kind = ReaderFailure::Unreadable;
    if (serviceGone(rv))
        kind = ReaderFailure::NoService;
    else if (rv == SCARD_E_SHARING_VIOLATION)
        kind = ReaderFailure::InUse;
    else if (rv == SCARD_E_CANCELLED)
        kind = ReaderFailure::Cancelled;
    return failure(kind, errorName(rv));
}

QString CardStack::cancelledName()
{
    return errorName(SCARD_E_CANCELLED);
}

QString CardStack::timedOutName()
{
    return errorName(SCARD_E_TIMEOUT);
}
