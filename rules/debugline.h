// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// Builds the text of one line on standard output, byte for byte as calling programs parse it:
// every operand is followed by one blank, string values are quoted without any escaping, and the
// final blank stays. QDebug cannot be used for this: it escapes quotes and tabs, writes integers
// without the blank and chops the final blank.
class DebugLine
{
public:
    // A fixed text (UTF-8), written as it stands.
    DebugLine &text(const char *utf8);
    DebugLine &text(const QString &text);
    // A string value, between double quotes, unescaped.
    DebugLine &value(const QString &value);
    // An integer, in decimal.
    DebugLine &number(qint64 number);
    // Bytes, decoded as UTF-8, between double quotes, unescaped.
    DebugLine &bytes(const QByteArray &bytes);

    const QString &toString() const { return m_text; }

    // Hands the finished text to the installed message handler as one debug message.
    void write() const { write(m_text); }
    static void write(const QString &line);

private:
    QString m_text;
};
