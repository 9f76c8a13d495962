// SPDX-License-Identifier: MIT
#include "virtualcard.h"

#include <QFile>
#include <QRegularExpression>

namespace {

// The status words the card answers with (ISO 7816-4).
enum StatusWord : quint16 {
    Ok = 0x9000,
    EndOfFile = 0x6282, // fewer bytes than Le were left; what came is valid
    WrongLength = 0x6700,
    SecurityStatus = 0x6982,
    NoCurrentFile = 0x6986,
    FileNotFound = 0x6A82,
    WrongP1P2 = 0x6A86,
    OffsetOutside = 0x6B00,
    WrongLe = 0x6C00, // + the right Le
    UnknownInstruction = 0x6D00,
};
const QString masterFile = QStringLiteral("3F00");

QByteArray status(int word)
{
    return QByteArray(1, char(word >> 8)) + char(word);
}

// "3B 9F 13" or "3b9f13" to bytes; false for anything but pairs of hex digits and blanks.
bool parseHex(const QString &text, QByteArray *bytes)
{
    static const QRegularExpression hex(QStringLiteral("^([0-9A-Fa-f]{2}|\\s)*$"));
    *bytes += QByteArray::fromHex(text.toLatin1());
    return hex.match(text).hasMatch();
}

} // namespace

bool VirtualCard::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    static const QRegularExpression entry(QStringLiteral("^([A-Za-z0-9-]+):(.*)$"));
    static const QRegularExpression fid(QStringLiteral("^[0-9A-F]{4}$"));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QByteArray *continued = nullptr; // the hex entry that an indented line continues
    bool haveAtr = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).section(QLatin1Char('#'), 0, 0);
        *error = QStringLiteral("%1:%2: ").arg(path, QString::number(i + 1));
        const QRegularExpressionMatch match = entry.match(line);
        const QString name = match.captured(1).toUpper();
        const QString value = match.captured(2).trimmed();
        const bool yes = value == QLatin1String("yes");
        bool valid = yes || value == QLatin1String("no");
        if (line.trimmed().isEmpty())
            continue;
        if (line.at(0).isSpace() && continued && parseHex(line, continued))
            continue;
        if (line.at(0).isSpace()) {
            *error += QStringLiteral("an indented line holds hex bytes continuing atr or a file");
            return false;
        }
        continued = nullptr;
        if (name == QLatin1String("ATR") && !haveAtr) {
            valid = parseHex(value, &m_atr);
            haveAtr = true;
            continued = &m_atr;
        } else if (fid.match(name).hasMatch() && !m_files.contains(name)) {
            continued = &m_files[name];
            valid = parseHex(value, continued);
        } else if (name == QLatin1String("INSERT-AFTER")) {
            const double seconds = value.toDouble(&valid);
            valid = valid && seconds >= 0 && seconds < 3600;
            m_insertAfterMs = int(seconds * 1000);
        } else if (name == QLatin1String("STRICT-LE")) {
            m_strictLe = yes;
        } else if (name == QLatin1String("REFUSE-READ")) {
            m_refuseRead = yes;
        } else if (name == QLatin1String("MUTE")) {
            m_mute = yes;
        } else if (name == QLatin1String("SILENT")) {
            m_silent = yes;
        } else if (name == QLatin1String("PULL")) {
            valid = value == QLatin1String("after-first-select")
                    || value == QLatin1String("bounce");
            m_pull = value == QLatin1String("bounce") ? Pull::Bounce : Pull::AfterFirstSelect;
        } else {
            *error += match.hasMatch() ? QStringLiteral("unknown or repeated entry \"%1\"")
                                                 .arg(match.captured(1))
                                       : QStringLiteral("expected \"name: value\"");
            return false;
        }
        if (!valid) {
            *error += QStringLiteral("bad value \"%1\"").arg(value);
            return false;
        }
    }
    *error = QStringLiteral("%1: no \"atr:\" line").arg(path);
    return haveAtr;
}

QByteArray VirtualCard::answer(const QByteArray &apdu)
{
    m_lastWasSelect = apdu.size() >= 4 && apdu.at(1) == char(0xA4);
    m_selects += m_lastWasSelect;
    if (m_silent) // powered on, then it never speaks again
        return {};
    if (m_mute) // no status word: a response no reader can use
        return QByteArray(1, '\0');
    if (apdu.size() < 4)
        return status(WrongLength);
    if (m_lastWasSelect)
        return select(apdu);
    if (apdu.at(1) == char(0xB0))
        return readBinary(apdu);
    return status(UnknownInstruction);
}

// By file identifier (P1 = 00) or by path from the master file (P1 = 08); by name (P1 = 04)
// finds nothing, as on the real cards.
QByteArray VirtualCard::select(const QByteArray &apdu)
{
    const char p1 = apdu.at(2);
    if (p1 != 0x00 && p1 != 0x08)
        return status(p1 == 0x04 ? FileNotFound : WrongP1P2);
    if (apdu.size() < 5 || apdu.size() < 5 + quint8(apdu.at(4)))
        return status(WrongLength);
    QString path = QString::fromLatin1(apdu.mid(5, quint8(apdu.at(4))).toHex().toUpper());
    if (p1 == 0x08 && path.size() == 8 && path.startsWith(masterFile))
        path.remove(0, masterFile.size());
    if (path != masterFile && !m_files.contains(path))
        return status(FileNotFound);
    m_selected = path;
    return status(Ok);
}

QByteArray VirtualCard::readBinary(const QByteArray &apdu) const
{
    if (apdu.size() != 5)
        return status(WrongLength);
    if (!m_files.contains(m_selected))
        return status(NoCurrentFile);
    if (m_refuseRead)
        return status(SecurityStatus);
    const QByteArray &data = m_files.value(m_selected);
    // A short file identifier (bit 8 of P1) makes the offset too large for any file here.
    const int offset = quint8(apdu.at(2)) << 8 | quint8(apdu.at(3));
    const int le = apdu.at(4) == 0 ? 256 : quint8(apdu.at(4));
    if (offset >= data.size())
        return status(OffsetOutside);
    const int left = data.size() - offset;
    // The exact Le is what is left, as far as one answer reaches (256 bytes: Le 00).
    const int exact = qMin(left, 256);
    if (m_strictLe && le != exact)
        return status(WrongLe + (exact & 0xFF));
    return data.mid(offset, le) + status(le > left ? EndOfFile : Ok);
}
