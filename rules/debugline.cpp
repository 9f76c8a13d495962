// SPDX-License-Identifier: MIT
#include "debugline.h"

#include <QtGlobal>

#include <cstring>

namespace {

const QChar blank(QLatin1Char(' '));
const QChar quote(QLatin1Char('"'));

} // namespace

DebugLine &DebugLine::text(const char *utf8)
{
    return text(QString::fromUtf8(utf8));
}

DebugLine &DebugLine::text(const QString &text)
{
    m_text += text;
    m_text += blank;
    return *this;
}

DebugLine &DebugLine::value(const QString &value)
{
    m_text += quote;
    m_text += value;
    m_text += quote;
    m_text += blank;
    return *this;
}

DebugLine &DebugLine::number(qint64 number)
{
    return text(QString::number(number));
}

DebugLine &DebugLine::bytes(const QByteArray &bytes)
{
    // Up to a zero byte, where Qt 5's QString::fromUtf8(QByteArray) stops and Qt 6's does not.
    const void *zero = std::memchr(bytes.constData(), 0, size_t(bytes.size()));
    const int length =
            zero ? int(static_cast<const char *>(zero) - bytes.constData()) : bytes.size();
    return value(QString::fromUtf8(bytes.constData(), length));
}

void DebugLine::write(const QString &line)
{
    // Straight to the installed handler: the debug stream would rework the text on its way. The
    // lines are the program's output, not diagnostics, so they carry a category of their own:
    // logging rules that silence debug messages (QT_LOGGING_RULES, a distribution's
    // qtlogging.ini with "*.debug=false") filter only the default category here and must not
    // swallow a record.
    const QMessageLogContext context(nullptr, 0, nullptr, "tarvik.output");
    qt_message_output(QtDebugMsg, context, line);
}
