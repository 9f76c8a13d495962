// SPDX-License-Identifier: MIT
#include "cardexchange.h"

#include "chipdata.h"

#include <initializer_list>

namespace CardExchange {

namespace {

// The card's two files under the master file.
constexpr unsigned short idFile = 0x2F06;
constexpr unsigned short adFile = 0x2F07;
constexpr unsigned short masterFile = 0x3F00;

// ISO 7816-4 status words the reading depends on.
constexpr unsigned short swOk = 0x9000;
constexpr unsigned short swEndOfFile = 0x6282; // fewer bytes than asked, the data still valid
constexpr unsigned short swOffsetOutside = 0x6B00;
constexpr unsigned char sw1WrongLe = 0x6C; // resend with Le = SW2
constexpr unsigned char sw1ResponseWaiting = 0x61; // T=0: the selection worked
// Refusals that another kind of card gives: security status, wrong parameters or file, and
// instruction or class unknown.
constexpr unsigned char sw1Security = 0x69;
constexpr unsigned char sw1WrongParameters = 0x6A;
constexpr unsigned char sw1NoInstruction = 0x6D;
constexpr unsigned char sw1NoClass = 0x6E;

// The longest template header: the tag, 82 and two bytes of length.
constexpr int longestHeader = 4;
// The most one READ BINARY gives (Le 00).
constexpr int maxChunk = 256;
// READ BINARY names offsets of 15 bits: a template must end within them. No card's comes near.
constexpr int maxTemplateBytes = 0x8000;

QByteArray apdu(std::initializer_list<unsigned char> bytes)
{
    QByteArray command;
    for (const unsigned char byte : bytes)
        command += char(byte);
    return command;
}

// One reading: the commands go out until an answer decides it.
class Session
{
public:
    explicit Session(const Transmit &send)
        : transmit(send)
    { }

    Files files;

    bool ok() const { return files.ending == Ending::Read; }

    // Selects the file by its identifier; anything but success means another kind of card.
    void select(unsigned short fid)
    {
        unsigned short sw = 0;
        command(apdu({0x00, 0xA4, 0x00, 0x00, 0x02, static_cast<unsigned char>(fid >> 8),
                      static_cast<unsigned char>(fid & 0xFF)}),
                sw);
        if (ok() && sw != swOk && (sw >> 8) != sw1ResponseWaiting)
            refuse(ReaderFailure::NotInsuranceCard, sw);
    }

    // Another program sharing the card may have left another file selected; the master file's
    // answer does not matter, the files' do.
    void selectMasterFile()
    {
        unsigned short sw = 0;
        command(apdu({0x00, 0xA4, 0x00, 0x00, 0x02, masterFile >> 8, masterFile & 0xFF}), sw);
    }

    // Reads the selected file's template adaptively: its header first, then exactly its length,
    // in chunks that one READ BINARY can give.
    QByteArray readTemplate()
    {
        QByteArray data = readBinary(0, longestHeader);
        int size = ChipData::templateSize(data);
        // Padding before the template (the card writer's erased bytes): the rest of the first
        // chunk holds the header behind it.
        if (ok() && size == ChipData::moreBytes && data.size() == longestHeader) {
            data += readBinary(data.size(), maxChunk - data.size());
            size = ChipData::templateSize(data);
        }
        if (!ok())
            return {};
        // Only a file that opens with something else is another kind of card's; the template
        // with a header that is cut, or in a form no card writes, is broken data.
        if (size <= 0 || size > maxTemplateBytes) {
            files.ending = Ending::Refused;
            files.failure = size == ChipData::notTemplate ? ReaderFailure::NotInsuranceCard
                                                          : ReaderFailure::Unparsable;
            return {};
        }
        // A card that insisted on its own Le may have sent the whole file already; a file that
        // ends before the template does is left to the parsing to refuse.
        while (ok() && data.size() < size) {
            const QByteArray more = readBinary(data.size(), qMin(maxChunk, size - data.size()));
            if (more.isEmpty())
                break;
            data += more;
        }
        return data;
    }

private:
    // READ BINARY at offset (below 0x8000) for le bytes (1 to 256). A card that names the right
    // length (6C xx) is asked once more with it; the end of the file (62 82, 6B 00) leaves what
    // came, and the template's own length tells whether that is enough.
    QByteArray readBinary(int offset, int le)
    {
        unsigned short sw = 0;
        const auto read = [offset](int length) {
            return apdu({0x00, 0xB0, static_cast<unsigned char>((offset >> 8) & 0x7F),
                         static_cast<unsigned char>(offset & 0xFF),
                         static_cast<unsigned char>(length & 0xFF)});
        };
        QByteArray data = command(read(le), sw);
        if (ok() && (sw >> 8) == sw1WrongLe)
            data = command(read((sw & 0xFF) == 0 ? 256 : (sw & 0xFF)), sw);
        if (!ok() || sw == swOk || sw == swEndOfFile || sw == swOffsetOutside)
            return data;
        // Refusing to be read at all (security status, class or instruction unknown) is what
        // another kind of card does; a file that is there but cannot be read is broken.
        const unsigned char sw1 = sw >> 8;
        refuse(sw1 == sw1Security || sw1 == sw1WrongParameters || sw1 == sw1NoInstruction
                               || sw1 == sw1NoClass
                       ? ReaderFailure::NotInsuranceCard
                       : ReaderFailure::Unparsable,
               sw);
        return {};
    }

    QByteArray command(const QByteArray &apdu, unsigned short &sw)
    {
        if (!ok())
            return {};
        QByteArray response;
        if (!transmit(apdu, response)) {
            files.ending = Ending::TransportFailed;
            return {};
        }
        if (response.size() < 2) {
            files.ending = Ending::NoStatusWord;
            return {};
        }
        const auto byte = [&response](int at) {
            return static_cast<unsigned char>(response.at(at));
        };
        sw = static_cast<unsigned short>((byte(response.size() - 2) << 8)
                                         | byte(response.size() - 1));
        response.chop(2);
        return response;
    }

    void refuse(ReaderFailure kind, unsigned short sw)
    {
        files.ending = Ending::Refused;
        files.failure = kind;
        files.statusWord = QStringLiteral("%1").arg(sw, 4, 16, QLatin1Char('0')).toUpper();
    }

    const Transmit &transmit;
};

} // namespace

Files readFiles(const Transmit &transmit)
{
    Session session(transmit);
    session.selectMasterFile();
    session.select(idFile);
    if (session.ok())
        session.files.id = session.readTemplate();
    session.select(adFile);
    if (session.ok())
        session.files.ad = session.readTemplate();
    return session.files;
}

} // namespace CardExchange
