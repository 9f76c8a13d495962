// SPDX-License-Identifier: MIT
#include "cardreader.h"

#include <QMetaObject>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The one include of PC/SC in the program; what macOS and Windows name differently is in
// docs/porting.md.
#include <winscard.h>

// pcsc-lite keeps the Windows names for the types but not every Windows macro.
#ifndef SCARD_E_NO_READERS_AVAILABLE
#define SCARD_E_NO_READERS_AVAILABLE ((LONG)0x8010002E)
#endif

struct CardReader::Shared
{
    std::mutex mutex;
    CardReader *owner = nullptr; // null once cancelled: nothing is delivered then
    SCARDCONTEXT context = 0;
    bool haveContext = false;
};

namespace {

// The reader that announces readers coming and going, for SCardGetStatusChange.
const char plugAndPlayReader[] = "\\\\?PnP?\\Notification";

// The card's two files under the master file, and the tag of their template.
constexpr unsigned short idFile = 0x2F06;
constexpr unsigned short adFile = 0x2F07;
constexpr unsigned short masterFile = 0x3F00;

// ISO 7816-4 status words the reading depends on.
constexpr unsigned short swOk = 0x9000;
constexpr unsigned short swEndOfFile = 0x6282; // fewer bytes than asked, the data still valid
constexpr unsigned short swOffsetOutside = 0x6B00;
constexpr unsigned char sw1WrongLe = 0x6C; // resend with Le = SW2
constexpr unsigned char sw1ResponseWaiting = 0x61; // T=0: the selection worked

// The template header: the tag and a short length, or the tag, 81 and the length.
constexpr int shortHeader = 2;
constexpr int longHeader = 3;

// A short APDU's longest answer: 256 bytes and the status word.
constexpr int maxResponse = 258;

// How long a card that left the contacts in the middle of a reading has to come back before the
// second try: a contact that bounced, or a card pushed in again at once.
constexpr int returnWithinMs = 2000;

QByteArray apdu(std::initializer_list<unsigned char> bytes)
{
    QByteArray command;
    for (const unsigned char byte : bytes)
        command += char(byte);
    return command;
}

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
    default:
        break;
    }
    return QStringLiteral("SCARD 0x%1").arg(quint32(rv), 8, 16, QLatin1Char('0'));
}

// Errors that mean the card went away or stopped answering in the middle: worth one more try
// from the connection on, since a card pushed in slowly or a reader's contact bounce looks so.
bool worthRetry(LONG rv)
{
    return rv == SCARD_W_REMOVED_CARD || rv == SCARD_W_RESET_CARD || rv == SCARD_W_UNRESPONSIVE_CARD
           || rv == SCARD_W_UNPOWERED_CARD || rv == SCARD_E_NO_SMARTCARD
           || rv == SCARD_E_NOT_TRANSACTED || rv == SCARD_F_COMM_ERROR;
}

bool serviceGone(LONG rv)
{
    return rv == SCARD_E_NO_SERVICE || rv == SCARD_E_SERVICE_STOPPED;
}

struct Outcome
{
    bool read = false;
    ChipData::Card card;
    ReaderError error;
};

Outcome failure(ReaderFailure kind, const QString &detail)
{
    Outcome outcome;
    outcome.error = {kind, detail};
    return outcome;
}

// One connection to one card: the commands of one reading, stopped at the first answer that
// decides it. A transport error (rv) or the card's content (failure) ends it.
class Session
{
public:
    Session(SCARDHANDLE handle, DWORD protocol)
        : handle(handle)
        , pci(protocol == SCARD_PROTOCOL_T0 ? SCARD_PCI_T0 : SCARD_PCI_T1)
    { }

    LONG rv = SCARD_S_SUCCESS;
    bool content = false; // the card's answers decided: failure says how
    ReaderFailure failure = ReaderFailure::Unparsable;
    QString statusWord;

    bool ok() const { return rv == SCARD_S_SUCCESS && !content; }

    // Selects the file by its identifier; anything but success means another kind of card.
    void select(unsigned short fid)
    {
        unsigned short sw = 0;
        command(apdu({0x00, 0xA4, 0x00, 0x00, 0x02, (unsigned char)(fid >> 8),
                      (unsigned char)(fid & 0xFF)}),
                sw);
        if (ok() && sw != swOk && (sw >> 8) != sw1ResponseWaiting)
            refuse(ReaderFailure::NotInsuranceCard, sw);
    }

    // Reads the file's template adaptively: its header first, then exactly its length.
    QByteArray readTemplate()
    {
        QByteArray data = readBinary(0, shortHeader);
        int size = ChipData::templateSize(data);
        if (ok() && size < 0) {
            data = readBinary(0, longHeader);
            size = ChipData::templateSize(data);
        }
        if (!ok())
            return {};
        if (size == 0) {
            content = true;
            failure = ReaderFailure::NotInsuranceCard;
            return {};
        }
        if (size < 0) {
            content = true;
            failure = ReaderFailure::Unparsable;
            return {};
        }
        // A card that insisted on its own Le may have sent the whole file already.
        if (data.size() < size)
            data += readBinary(data.size(), size - data.size());
        return data;
    }

private:
    // READ BINARY at offset for le bytes (1 to 256). A card that names the right length (6C xx)
    // is asked once more with it; the end of the file (62 82, 6B 00) leaves what came, and the
    // template's own length tells whether that is enough.
    QByteArray readBinary(int offset, int le)
    {
        unsigned short sw = 0;
        const auto read = [offset](int length) {
            return apdu({0x00, 0xB0, (unsigned char)((offset >> 8) & 0x7F),
                         (unsigned char)(offset & 0xFF), (unsigned char)(length & 0xFF)});
        };
        QByteArray data = command(read(le), sw);
        if (ok() && (sw >> 8) == sw1WrongLe)
            data = command(read((sw & 0xFF) == 0 ? 256 : (sw & 0xFF)), sw);
        if (!ok() || sw == swOk || sw == swEndOfFile || sw == swOffsetOutside)
            return data;
        // Refusing to be read at all (security status, class or instruction unknown) is what
        // another kind of card does; a file that is there but cannot be read is broken.
        const unsigned char sw1 = sw >> 8;
        refuse(sw1 == 0x69 || sw1 == 0x6A || sw1 == 0x6D || sw1 == 0x6E
                       ? ReaderFailure::NotInsuranceCard
                       : ReaderFailure::Unparsable,
               sw);
        return {};
    }

    QByteArray command(const QByteArray &apdu, unsigned short &sw)
    {
        if (!ok())
            return {};
        unsigned char response[maxResponse];
        DWORD length = sizeof response;
        rv = SCardTransmit(handle, pci, reinterpret_cast<const unsigned char *>(apdu.constData()),
                           DWORD(apdu.size()), nullptr, response, &length);
        if (rv != SCARD_S_SUCCESS)
            return {};
        if (length < 2) {
            rv = SCARD_F_COMM_ERROR;
            return {};
        }
        sw = (response[length - 2] << 8) | response[length - 1];
        return QByteArray(reinterpret_cast<const char *>(response), int(length - 2));
    }

    void refuse(ReaderFailure kind, unsigned short sw)
    {
        content = true;
        failure = kind;
        statusWord = QStringLiteral("%1").arg(sw, 4, 16, QLatin1Char('0')).toUpper();
    }

    SCARDHANDLE handle;
    const SCARD_IO_REQUEST *pci;
};

// One reading of the card in the reader, from the connection on. rv tells a transport error.
Outcome readOnce(SCARDCONTEXT context, const std::string &reader, LONG &rv)
{
    SCARDHANDLE handle = 0;
    DWORD protocol = 0;
    rv = SCardConnect(context, reader.c_str(), SCARD_SHARE_SHARED,
                      SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &handle, &protocol);
    if (rv != SCARD_S_SUCCESS)
        return {};
    rv = SCardBeginTransaction(handle);
    if (rv != SCARD_S_SUCCESS) {
        SCardDisconnect(handle, SCARD_LEAVE_CARD);
        return {};
    }
    Session session(handle, protocol);
    // Another program sharing the card may have left another file selected; the master file's
    // answer does not matter, the files' do.
    session.select(masterFile);
    session.content = false;
    session.select(idFile);
    const QByteArray id = session.ok() ? session.readTemplate() : QByteArray();
    session.select(adFile);
    const QByteArray ad = session.ok() ? session.readTemplate() : QByteArray();
    SCardEndTransaction(handle, SCARD_LEAVE_CARD);
    SCardDisconnect(handle, SCARD_LEAVE_CARD);

    rv = session.rv;
    if (rv != SCARD_S_SUCCESS)
        return {};
    if (session.content)
        return failure(session.failure, session.statusWord);
    Outcome outcome;
    switch (ChipData::parse(id, ad, outcome.card)) {
    case ChipData::Verdict::Read:
        outcome.read = true;
        return outcome;
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
    using Clock = std::chrono::steady_clock;
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

Outcome readCard(SCARDCONTEXT context, const std::string &reader)
{
    LONG rv = SCARD_S_SUCCESS;
    Outcome outcome = readOnce(context, reader, rv);
    if (worthRetry(rv)) {
        if (waitForReturn(context, reader) == SCARD_E_CANCELLED)
            return failure(ReaderFailure::Cancelled, errorName(SCARD_E_CANCELLED));
        outcome = readOnce(context, reader, rv);
    }
    if (rv == SCARD_S_SUCCESS)
        return outcome;
    return failure(serviceGone(rv) ? ReaderFailure::NoService : ReaderFailure::Unreadable,
                   errorName(rv));
}

// The readers the service knows now; none is no error.
std::vector<std::string> listReaders(SCARDCONTEXT context, LONG &rv)
{
    DWORD length = 0;
    rv = SCardListReaders(context, nullptr, nullptr, &length);
    std::vector<std::string> names;
    if (rv == SCARD_E_NO_READERS_AVAILABLE) {
        rv = SCARD_S_SUCCESS;
        return names;
    }
    if (rv != SCARD_S_SUCCESS)
        return names;
    std::vector<char> buffer(length + 1, '\0');
    rv = SCardListReaders(context, nullptr, buffer.data(), &length);
    if (rv == SCARD_E_NO_READERS_AVAILABLE)
        rv = SCARD_S_SUCCESS;
    // A list of strings, each ended by a zero, the list by an empty one.
    for (const char *name = buffer.data(); rv == SCARD_S_SUCCESS && *name;
         name += std::char_traits<char>::length(name) + 1)
        names.emplace_back(name);
    return names;
}

Outcome waitAndRead(SCARDCONTEXT context, int waitMs, const std::function<void()> &reading)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    bool sawReader = false;
    std::vector<std::string> names;
    std::vector<SCARD_READERSTATE> states;
    bool relist = true;
    for (;;) {
        LONG rv = SCARD_S_SUCCESS;
        if (relist) {
            names = listReaders(context, rv);
            if (rv != SCARD_S_SUCCESS)
                return failure(serviceGone(rv) ? ReaderFailure::NoService : ReaderFailure::NoReader,
                               errorName(rv));
            // The notification entry remembers the reader count it last saw.
            const DWORD plugAndPlay =
                    states.empty() ? DWORD(SCARD_STATE_UNAWARE) : states.front().dwCurrentState;
            states.assign(names.size() + 1, SCARD_READERSTATE());
            states[0].szReader = plugAndPlayReader;
            states[0].dwCurrentState = plugAndPlay;
            for (size_t i = 0; i < names.size(); ++i) {
                states[i + 1].szReader = names[i].c_str();
                states[i + 1].dwCurrentState = SCARD_STATE_UNAWARE;
            }
            sawReader = sawReader || !names.empty();
            // The readers' present state, at once.
            if (!names.empty())
                rv = SCardGetStatusChange(context, 0, states.data() + 1, DWORD(names.size()));
        } else {
            const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            rv = left.count() <= 0 ? SCARD_E_TIMEOUT
                                   : SCardGetStatusChange(context, DWORD(left.count()),
                                                          states.data(), DWORD(states.size()));
        }
        relist = false;
        if (rv == SCARD_E_TIMEOUT && Clock::now() >= deadline)
            return sawReader ? failure(ReaderFailure::NoCard, errorName(rv))
                             : failure(ReaderFailure::NoReader,
                                       errorName(SCARD_E_NO_READERS_AVAILABLE));
        if (rv == SCARD_E_CANCELLED)
            return failure(ReaderFailure::Cancelled, errorName(rv));
        if (serviceGone(rv))
            return failure(ReaderFailure::NoService, errorName(rv));
        // A reader unplugged between the list and the look at it: the list is asked again.
        if (rv == SCARD_E_UNKNOWN_READER || rv == SCARD_E_READER_UNAVAILABLE) {
            relist = true;
            continue;
        }
        if (rv != SCARD_S_SUCCESS && rv != SCARD_E_TIMEOUT)
            return failure(ReaderFailure::Unreadable, errorName(rv));
        if (states[0].dwEventState & SCARD_STATE_CHANGED) {
            states[0].dwCurrentState = states[0].dwEventState & ~SCARD_STATE_CHANGED;
            states[0].dwEventState = 0;
            relist = true;
            continue;
        }
        // Every card present now is read, in the readers' order; the first insurance card wins,
        // else the first card's failure is the answer: the user has put in a card, and waiting
        // on would leave them guessing.
        Outcome first;
        bool examined = false;
        for (size_t i = 1; i < states.size(); ++i) {
            const DWORD state = states[i].dwEventState;
            states[i].dwCurrentState = state & ~SCARD_STATE_CHANGED;
            const bool inserted = (state & SCARD_STATE_PRESENT) && (state & SCARD_STATE_CHANGED);
            if (!inserted)
                continue;
            reading();
            Outcome outcome = readCard(context, names[i - 1]);
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

void run(std::shared_ptr<CardReader::Shared> shared, int waitMs)
{
    SCARDCONTEXT context = 0;
    const LONG rv = SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context);
    Outcome outcome;
    if (rv != SCARD_S_SUCCESS) {
        outcome = failure(ReaderFailure::NoService, errorName(rv));
    } else {
        {
            const std::lock_guard<std::mutex> lock(shared->mutex);
            shared->context = context;
            shared->haveContext = shared->owner != nullptr;
        }
        const auto reading = [shared]() {
            const std::lock_guard<std::mutex> lock(shared->mutex);
            if (shared->owner)
                QMetaObject::invokeMethod(shared->owner, &CardReader::startReadLimit,
                                          Qt::QueuedConnection);
        };
        outcome = shared->haveContext ? waitAndRead(context, waitMs, reading)
                                      : failure(ReaderFailure::Cancelled, QString());
        {
            const std::lock_guard<std::mutex> lock(shared->mutex);
            shared->haveContext = false;
        }
        SCardReleaseContext(context);
    }

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
                    emit owner->cardRead(outcome.card);
                else
                    emit owner->readFailed(outcome.error);
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
        emit readFailed({ReaderFailure::Unreadable, timedOutName()});
    });
}

void CardReader::startReadLimit()
{
    if (!readLimit.isActive())
        readLimit.start(readLimitMs);
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
    std::thread(run, shared, waitFor).detach();
}

QString CardReader::cancelledName()
{
    return errorName(SCARD_E_CANCELLED);
}

QString CardReader::timedOutName()
{
    return errorName(SCARD_E_TIMEOUT);
}

void CardReader::cancel()
{
    readLimit.stop();
    const std::lock_guard<std::mutex> lock(shared->mutex);
    shared->owner = nullptr;
    if (shared->haveContext)
        SCardCancel(shared->context);
}
