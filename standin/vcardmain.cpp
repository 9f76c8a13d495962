// SPDX-License-Identifier: MIT
// hin-vcard: presents one insurance card to pcscd through the vsmartcard-vpcd reader driver, so
// that the tool's card reading can be tried without a card and a reader. The driver listens on
// 127.0.0.1:35963 for its first reader; whoever connects is the card in it, and closing the
// connection pulls the card. Each message either way is a 2-byte big-endian length and the bytes.

#include "virtualcard.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTcpSocket>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const char usage[] = "usage: hin-vcard [--port N] <card file>\n"
                     "Presents the insurance card of the card file to pcscd through the\n"
                     "vsmartcard-vpcd reader driver, until SIGTERM or SIGINT. --port: the\n"
                     "virtual reader's port, default 35963 (the first reader).\n";
const quint16 firstReaderPort = 35963;
const int reconnectMs = 200; // while pcscd is not (yet) there
const int badCardFile = 2;
// The driver's messages of one byte are control bytes: 00 power off, 01 on, 02 reset, 04 ATR.
const char sendAtr = 4;

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.contains(QLatin1String("-h")) || arguments.contains(QLatin1String("--help"))) {
        std::fputs(usage, stdout);
        return 0;
    }
    uint port = firstReaderPort;
    bool ok = true;
    if (arguments.size() == 3 && arguments.constFirst() == QLatin1String("--port")) {
        port = arguments.at(1).toUInt(&ok);
        arguments = arguments.mid(2);
    }
    if (arguments.size() != 1 || !ok || port == 0 || port > 65535) {
        std::fputs(usage, stderr);
        return 1;
    }
    VirtualCard card;
    QString error;
    if (!card.load(arguments.constFirst(), &error)) {
        std::fprintf(stderr, "hin-vcard: %s\n", error.toLocal8Bit().constData());
        return badCardFile;
    }
    // Nothing to clean up: the connection closes with the process, and that pulls the card.
    std::signal(SIGTERM, [](int) { _exit(0); });
    std::signal(SIGINT, [](int) { _exit(0); });

    QTcpSocket socket;
    QByteArray buffer; // what came from the driver, not yet a whole message
    bool pulled = false; // pulled on purpose
    const auto insert = [&] {
        pulled = false;
        buffer.clear();
        card.reset();
        socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
    };
    const auto send = [&](const QByteArray &bytes) {
        socket.write(QByteArray(1, char(bytes.size() >> 8)) + char(bytes.size()) + bytes);
    };
    QObject::connect(&socket, &QTcpSocket::stateChanged, [&](auto state) {
        if (state == QAbstractSocket::UnconnectedState && !(pulled && card.staysOut()))
            QTimer::singleShot(reconnectMs, insert);
    });
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] {
#ifdef TCP_QUICKACK
        // The driver sends a command's length and its bytes in two writes; with the delayed
        // acknowledgement of the first, its Nagle wait would add 40 ms to every command, which a
        // real reader's card does not cost. The kernel turns quick acknowledgement off again by
        // itself, so it is asked for on every read.
        const int on = 1;
        setsockopt(int(socket.socketDescriptor()), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
#endif
        buffer += socket.readAll();
        while (buffer.size() >= 2 && !pulled) {
            const int length = quint8(buffer.at(0)) << 8 | quint8(buffer.at(1));
            if (buffer.size() < 2 + length)
                return;
            const QByteArray message = buffer.mid(2, length);
            buffer.remove(0, 2 + length);
            if (message.size() == 1 && message.at(0) == sendAtr)
                send(card.atr());
            else if (message.size() == 1)
                card.reset();
            else if (const QByteArray reply = card.answer(message); !reply.isEmpty())
                send(reply);
            pulled = card.pullNow();
        }
        if (pulled)
            socket.disconnectFromHost();
    });
    QTimer::singleShot(card.insertAfterMs(), insert);
    return app.exec();
}
