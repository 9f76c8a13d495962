// SPDX-License-Identifier: MIT
#include "messagehandler.h"

#include "output.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

QByteArray outputBytes(const QString &message)
{
    // UTF-8 whatever the locale, as both Qt versions write it on Linux. Not toLocal8Bit(): on a
    // lone surrogate (a card number cut in the middle of an emoji) Qt 5 writes '?' and Qt 6
    // U+FFFD, where toUtf8() writes '?' on both.
    return message.toUtf8() + '\n';
}

void myMessageOutput(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    const QByteArray utf8 = message.toUtf8();
    const char *text = utf8.constData();
    // One write per message, so that lines of different threads never mix within a line.
    switch (type) {
    case QtDebugMsg:
        Output::write(outputBytes(message));
        break;
    case QtWarningMsg:
        std::fprintf(stderr, "Warning: %s\n", text);
        break;
    case QtCriticalMsg:
        std::fprintf(stderr, "Critical: %s\n", text);
        break;
    case QtFatalMsg:
        std::fprintf(stderr, "Fatal: %s\n", text);
        // Nothing waits in a buffer: the answer goes out unbuffered (Output::write), and so
        // does standard error.
        std::abort();
    default:
        // Informational messages are the toolkit's chatter; they have no place in the output.
        break;
    }
}
