// SPDX-License-Identifier: MIT
#include "virtualcard.h"

#include <QFile>
#include <QRegularExpression>

namespace {

const QByteArray ok = QByteArray::fromHex("9000");
const QByteArray endOfFile = QByteArray::fromHex("6282"); // fewer bytes than Le, still valid
const QByteArray wrongLength = QByteArray::fromHex("6700");
const QByteArray noCurrentFile = QByteArray::fromHex("6986");
const QByteArray notSupported = QByteArray::fromHex("6A81");
const QByteArray fileNotFound = QByteArray::fromHex("6A82");
const QByteArray wrongP1P2 = QByteArray::fromHex("6A86");
const QByteArray offsetOutside = QByteArray::fromHex("6B00");
const QByteArray unknownInstruction = QByteArray::fromHex("6D00");
const QByteArray unknownClass = QByteArray::fromHex("6E00");
const QString masterFile = QStringLiteral("3F00");
const char selectInstruction = char(0xA4);
const char readBinaryInstruction = char(0xB0);

// "3B 9F 13" or "3b9f13" to bytes; false for anything but pairs of hex digits and blanks.
bool parseHex(const QString &text, QByteArray *bytes)
{
    static const QRegularExpression hex(QStringLiteral("^([0-9A-Fa-f]{2}|\\s)*$"));
    if (!hex.match(text).hasMatch())
        return false;
    *bytes += QByteArray::fromHex(text.toLatin1());
    return true;
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
    static const QRegularExpression fid(QStringLiteral("^[0-9A-Fa-f]{4}$"));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QByteArray *continued = nullptr; // the hex entry that an indented line continues
    bool haveAtr = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).section(QLatin1Char('#'), 0, 0);
        auto fail = [&](const QString &why) {
            *error = QStringLiteral("%1:%2: %3").arg(path).arg(i + 1).arg(why);
            return false;
        };
        if (line.trimmed().isEmpty())
            continue;
        if (line.at(0).isSpace()) {
            if (!continued || !parseHex(line, continued))
                return fail(QStringLiteral(
                        "an indented line holds hex bytes that continue an atr or file entry"));
            continue;
        }
        const QRegularExpressionMatch match = entry.match(line);
        if (!match.hasMatch())
            return fail(QStringLiteral("expected \"name: value\""));
        const QString name = match.captured(1).toLower();
        const QString value = match.captured(2).trimmed();
        continued = nullptr;
        bool valid = true;
        if (name == QLatin1String("atr")) {
            valid = parseHex(value, &m_atr) && !haveAtr;
            haveAtr = true;
            continued = &m_atr;
        } else if (fid.match(name).hasMatch() && !m_files.contains(name.toUpper())) {
            continued = &m_files[name.toUpper()];
            valid = parseHex(value, continued);
        } else if (name == QLatin1String("insert-after")) {
            const double seconds = value.toDouble(&valid);
            valid = valid && seconds >= 0 && seconds < 3600;
            m_insertAfterMs = int(seconds * 1000);
        } else if (name == QLatin1String("strict-le") || name == QLatin1String("mute")) {
            valid = value == QLatin1String("yes") || value == QLatin1String("no");
            (name == QLatin1String("mute") ? m_mute : m_strictLe) = value == QLatin1String("yes");
        } else if (name == QLatin1String("pull")) {
            valid = value == QLatin1String("after-first-select")
                    || value == QLatin1String("after-first-read");
            m_pull = value.endsWith(QLatin1String("select")) ? Pull::AfterFirstSelect
                                                             : Pull::AfterFirstRead;
        } else {
            return fail(QStringLiteral("unknown or repeated entry \"%1\"").arg(name));
        }
        if (!valid)
            return fail(QStringLiteral("bad value for \"%1\": \"%2\"").arg(name, value));
    }
    if (!haveAtr) {
        *error = QStringLiteral("%1: no \"atr:\" line").arg(path);
        return false;
    }
    return true;
}

bool VirtualCard::pullNow() const
{
    if (m_pull == Pull::AfterFirstSelect)
        return m_lastInstruction == selectInstruction && m_selects == 1;
    return m_pull == Pull::AfterFirstRead && m_lastInstruction == readBinaryInstruction
           && m_reads == 1;
}

QByteArray VirtualCard::answer(const QByteArray &apdu)
{
    if (m_mute) // no status word: a response no reader can use
        return QByteArray(1, '\0');
    if (apdu.size() < 4)
        return wrongLength;
    m_lastInstruction = apdu.at(1);
    if (apdu.at(0) != 0)
        return unknownClass;
    if (apdu.at(1) == selectInstruction) {
        ++m_selects;
        return select(apdu);
    }
    if (apdu.at(1) == readBinaryInstruction) {
        ++m_reads;
        return readBinary(apdu);
    }
    return unknownInstruction;
}

// By file identifier (P1 = 00) or by path from the master file (P1 = 08); by name (P1 = 04)
// finds nothing, as on the real cards.
QByteArray VirtualCard::select(const QByteArray &apdu)
{
    const int p1 = quint8(apdu.at(2));
    if (p1 == 0x04)
        return fileNotFound;
    if (p1 != 0x00 && p1 != 0x08)
        return wrongP1P2;
    if (apdu.size() < 5 || apdu.size() < 5 + quint8(apdu.at(4)))
        return wrongLength;
    QString path = QString::fromLatin1(apdu.mid(5, quint8(apdu.at(4))).toHex().toUpper());
    if (p1 == 0x08 && path.startsWith(masterFile))
        path.remove(0, masterFile.size());
    if (p1 == 0x08 && path.isEmpty())
        path = masterFile;
    if (path.size() != 4)
        return fileNotFound;
    if (path != masterFile && !m_files.contains(path))
        return fileNotFound;
    m_selected = path;
    return ok;
}

QByteArray VirtualCard::readBinary(const QByteArray &apdu) const
{
    if (apdu.at(2) & 0x80) // a short file identifier in P1
        return notSupported;
    if (apdu.size() != 5)
        return wrongLength;
    if (!m_files.contains(m_selected))
        return noCurrentFile;
    const QByteArray &data = m_files.value(m_selected);
    const int offset = quint8(apdu.at(2)) << 8 | quint8(apdu.at(3));
    const int le = apdu.at(4) == 0 ? 256 : quint8(apdu.at(4));
    if (offset >= data.size())
        return offsetOutside;
    const int left = data.size() - offset;
    if (m_strictLe && le != left)
        return QByteArray::fromHex("6C") + char(left);
    return data.mid(offset, le) + (le > left ? endOfFile : ok);
}
