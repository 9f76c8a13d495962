// SPDX-License-Identifier: MIT
// hin-standin: runs StandinServer as a program, so that the tool can be developed and tried
// against it without a HIN log-in.

#include "standinserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <csignal>
#include <unistd.h>
#endif

namespace {

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "hin-standin: %s\n", message.toLocal8Bit().constData());
    std::exit(1);
}

// Request lines come from the network; control bytes must not reach the terminal.
QByteArray printable(const QByteArray &line)
{
    QByteArray out;
    for (char c : line) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x7f)
            out += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out;
}

quint16 parsePort(const QString &text)
{
    bool ok = false;
    const uint port = text.toUInt(&ok);
    if (!ok || port > 65535)
        fail(QStringLiteral("--port wants a number from 0 to 65535, not \"%1\".").arg(text));
    return quint16(port);
}

// A byte count, optionally with K/KiB or M/MiB (powers of 1024): "8M" is 8388608.
qint64 parseSize(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,12})\\s*(k|kib|m|mib)?$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        fail(QStringLiteral("--pad-to wants a byte count such as 20000, 512K or 8M, not \"%1\".")
                     .arg(text));
    qint64 bytes = match.captured(1).toLongLong();
    const QString unit = match.captured(2).toLower();
    if (unit.startsWith(QLatin1Char('k')))
        bytes *= 1024;
    else if (unit.startsWith(QLatin1Char('m')))
        bytes *= qint64(1024) * 1024;
    return bytes;
}

int parseCount(const QString &option, const QString &text)
{
    bool ok = false;
    const int count = text.toInt(&ok);
    if (!ok || count < 0)
        fail(QStringLiteral("--%1 wants a whole number, not \"%2\".").arg(option, text));
    return count;
}

// A reason phrase as typed: \r, \n, \t, \e (escape), \\ and \xHH stand for those bytes, so
// that control bytes can be sent on purpose.
QByteArray unescape(const QString &text)
{
    const QByteArray in = text.toUtf8();
    QByteArray out;
    for (int i = 0; i < in.size(); ++i) {
        if (in.at(i) != '\\' || i + 1 == in.size()) {
            out += in.at(i);
            continue;
        }
        const char c = in.at(++i);
        if (c == 'r')
            out += '\r';
        else if (c == 'n')
            out += '\n';
        else if (c == 't')
            out += '\t';
        else if (c == 'e')
            out += '\x1b';
        else if (c == 'x' && i + 2 < in.size()) {
            out += char(in.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else
            out += c;
    }
    return out;
}

void applyFailure(StandinServer &server, const QString &text)
{
    static const QRegularExpression http(QStringLiteral("^http-([45]\\d\\d)$"));
    static const QRegularExpression status(QStringLiteral("^status-([2-5]\\d\\d)$"));
    const QRegularExpressionMatch match = http.match(text);
    const QRegularExpressionMatch statusMatch = status.match(text);
    if (match.hasMatch())
        server.setFailure(StandinServer::Failure::HttpError, match.captured(1).toInt());
    else if (statusMatch.hasMatch())
        server.setFailure(StandinServer::Failure::StatusWithRecord,
                          statusMatch.captured(1).toInt());
    else if (text == QLatin1String("drip"))
        server.setFailure(StandinServer::Failure::Drip);
    else if (text == QLatin1String("drip-chunked"))
        server.setFailure(StandinServer::Failure::DripChunked);
    else if (text == QLatin1String("header-flood"))
        server.setFailure(StandinServer::Failure::HeaderFlood);
    else if (text == QLatin1String("many-headers"))
        server.setFailure(StandinServer::Failure::ManyHeaders);
    else if (text == QLatin1String("close"))
        server.setFailure(StandinServer::Failure::CloseWithoutAnswer);
    else if (text == QLatin1String("silent"))
        server.setFailure(StandinServer::Failure::NeverAnswer);
    else if (text == QLatin1String("none"))
        server.setFailure(StandinServer::Failure::None);
    else
        fail(QStringLiteral("--fail wants http-404, http-502 (any http-4xx/5xx), status-302 (any "
                            "status-2xx to 5xx), close, silent, drip, drip-chunked, header-flood, "
                            "many-headers or none, not \"%1\".")
                     .arg(text));
}

#ifdef Q_OS_UNIX
// SIGTERM and SIGINT end the event loop, so that the program exits normally with status 0.
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

void quitOnSignals(QCoreApplication &app)
{
    if (::pipe(signalPipe) != 0)
        return; // the default handling still ends the program
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}
#endif

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("hin-standin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(HIN_STANDIN_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
            "Stands in for the HIN Client and the card-validation service behind it: an HTTP "
            "proxy on 127.0.0.1 that answers card look-ups from sample replies."));
    parser.addHelpOption();
    // Not addVersionOption(): the licence lines belong after the version.
    const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                           QStringLiteral("Displays version information."));
    const QCommandLineOption portOption(
            QStringLiteral("port"),
            QStringLiteral("Port to listen on (default 5016; 0: any free port)."),
            QStringLiteral("N"), QStringLiteral("5016"));
    const QCommandLineOption samplesOption(
            QStringLiteral("samples"),
            QStringLiteral("Folder of <card number>.xml replies (default: %1).")
                    .arg(StandinServer::defaultSamplesDir()),
            QStringLiteral("DIR"));
    const QCommandLineOption failOption(
            QStringLiteral("fail"),
            QStringLiteral("Fail every request: http-404, http-502 (any http-4xx/5xx) answers "
                           "with that status, status-302 (any status-2xx to 5xx) sends the "
                           "card's reply under that status, close closes without an answer, "
                           "silent never answers, drip sends the head and then a body byte per "
                           "interval, drip-chunked the whole reply as a chunk and then 1-byte "
                           "chunks without end, header-flood a header line that never ends, "
                           "many-headers many header lines before the reply."),
            QStringLiteral("MODE"));
    const QCommandLineOption failCardOption(
            QStringLiteral("fail-card"),
            QStringLiteral("Apply --fail only to this card (may be repeated); the others are "
                           "answered as usual."),
            QStringLiteral("NUMBER"));
    const QCommandLineOption padOption(
            QStringLiteral("pad-to"),
            QStringLiteral("Pad every successful reply to this many bytes (K and M suffixes)."),
            QStringLiteral("BYTES"));
    const QCommandLineOption contentTypeOption(
            QStringLiteral("content-type"),
            QStringLiteral("Content-Type of the sample replies (default: text/xml; "
                           "charset=UTF-8)."),
            QStringLiteral("TYPE"));
    const QCommandLineOption dripOption(
            QStringLiteral("drip-interval"),
            QStringLiteral("Milliseconds between two bytes for drip and drip-chunked "
                           "(default 12000)."),
            QStringLiteral("MS"));
    const QCommandLineOption headersOption(
            QStringLiteral("headers"),
            QStringLiteral("Number of header lines for many-headers (default 250000)."),
            QStringLiteral("N"));
    const QCommandLineOption reasonOption(
            QStringLiteral("reason"),
            QStringLiteral("Reason phrase for http-NNN and status-NNN; \\r, \\n, \\t, \\e, "
                           "\\xHH and \\\\ stand for those bytes."),
            QStringLiteral("TEXT"));
    const QCommandLineOption reasonPadOption(
            QStringLiteral("reason-pad-to"),
            QStringLiteral("Repeat the reason phrase until it is this many bytes long (K and M "
                           "suffixes)."),
            QStringLiteral("BYTES"));
    const QCommandLineOption delayOption(
            QStringLiteral("delay-ms"),
            QStringLiteral("Answer each request this many milliseconds after it is in; requests "
                           "wait side by side."),
            QStringLiteral("MS"));
    const QCommandLineOption logOption(QStringLiteral("log"),
                                       QStringLiteral("Print each request line to stderr."));
    parser.addOptions({versionOption, portOption, samplesOption, failOption, failCardOption,
                       padOption, contentTypeOption, dripOption, headersOption, reasonOption,
                       reasonPadOption, delayOption, logOption});
    parser.process(app);
    if (parser.isSet(versionOption)) {
        std::fputs("hin-standin " HIN_STANDIN_VERSION "\n"
                   "Copyright (c) " HIN_STANDIN_COPYRIGHT "\n"
                   "License: MIT <https://opensource.org/licenses/MIT>\n"
                   "This is free software: you are free to change and redistribute it.\n"
                   "There is NO WARRANTY, to the extent permitted by law.\n",
                   stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        fail(QStringLiteral("unexpected argument \"%1\"; see --help.")
                     .arg(parser.positionalArguments().constFirst()));

    StandinServer server;
    const quint16 port = parsePort(parser.value(portOption));
    if (parser.isSet(samplesOption)) {
        const QString dir = parser.value(samplesOption);
        if (!QFileInfo(dir).isDir())
            fail(QStringLiteral("the samples folder \"%1\" does not exist.").arg(dir));
        server.setSamplesDir(dir);
    } else if (!QFileInfo(server.samplesDir()).isDir()) {
        std::fprintf(stderr,
                     "hin-standin: warning: no samples at %s; every card is answered as "
                     "unknown.\n",
                     server.samplesDir().toLocal8Bit().constData());
    }
    if (parser.isSet(failOption))
        applyFailure(server, parser.value(failOption));
    server.setFailingCards(parser.values(failCardOption));
    if (parser.isSet(padOption))
        server.setPadTo(parseSize(parser.value(padOption)));
    if (parser.isSet(contentTypeOption))
        server.setContentType(parser.value(contentTypeOption).toLatin1());
    if (parser.isSet(dripOption))
        server.setDripInterval(
                qMax(1, parseCount(QStringLiteral("drip-interval"), parser.value(dripOption))));
    if (parser.isSet(headersOption))
        server.setHeaderCount(parseCount(QStringLiteral("headers"), parser.value(headersOption)));
    QByteArray reason = unescape(parser.value(reasonOption));
    if (parser.isSet(reasonPadOption)) {
        const qint64 size = parseSize(parser.value(reasonPadOption));
        if (reason.isEmpty())
            reason = "x";
        while (reason.size() < size)
            reason += reason.left(int(qMin<qint64>(reason.size(), size - reason.size())));
    }
    server.setReasonPhrase(reason);
    if (parser.isSet(delayOption)) {
        bool ok = false;
        const int delay = parser.value(delayOption).toInt(&ok);
        if (!ok || delay < 0)
            fail(QStringLiteral("--delay-ms wants a number of milliseconds, not \"%1\".")
                         .arg(parser.value(delayOption)));
        server.setDelay(delay);
    }
    if (parser.isSet(logOption)) {
        QObject::connect(&server, &StandinServer::requestReceived, [](const QByteArray &line) {
            std::fprintf(stderr, "%s\n", printable(line).constData());
            std::fflush(stderr);
        });
    }

#ifdef Q_OS_UNIX
    quitOnSignals(app);
#endif
    if (!server.listen(QHostAddress::LocalHost, port))
        fail(QStringLiteral("cannot listen on 127.0.0.1:%1: %2")
                     .arg(port)
                     .arg(server.errorString()));
    std::printf("hin-standin listening on 127.0.0.1:%u\n", unsigned(server.serverPort()));
    std::fflush(stdout);
    return app.exec();
}
