// SPDX-License-Identifier: MIT
#include "program.h"

#include "batchmode.h"
#include "cardreader.h"
#include "cardstackend.h"
#include "commandline.h"
#include "messagehandler.h"
#include "output.h"
#include "signalpipe.h"
#include "tarvik.h"
#include "toolkitflags.h"
#include "translation.h"
#include "watchdog.h"
#include "watchmode.h"

#include <QApplication>
#include <QStringList>

#include <limits>

namespace {

// A run that reads the card first waits for it on top of everything a lookup may take.
constexpr int readerLimitMs = Watchdog::limitMs + CardReader::waitMs;

// The wait for the card, the time its reading may take and the error popups' time; tests shorten
// them (setCardLimits, setPopupLimit).
int cardWaitMs = CardReader::waitMs;
int cardReadMs = CardReader::readLimitMs;
int popupLimitMs = std::numeric_limits<int>::max();

// Never deleted: the lookup object, its popup and its network access manager live until the
// process ends. Held here rather than in a local so that leak checkers see it is meant to stay.
Tarvik *lookup = nullptr;

} // namespace

namespace Program {

void setPopupLimit(int ms)
{
    popupLimitMs = ms;
}

void setCardLimits(int waitMs, int readMs)
{
    cardWaitMs = waitMs;
    cardReadMs = readMs;
}

int run(int argc, char *argv[])
{
    // Before anything can open a descriptor.
    Output::guardStandardStreams();

    // Installed next, so that every diagnostic of the run, the toolkit's own included, takes
    // the same way out.
    qInstallMessageHandler(myMessageOutput);

    // Before anything is said to the user, usage errors included.
    Translation::load();

    // Usage errors, --help and --version are answered before the toolkit starts: they need no
    // display, and without a card number nothing would ever end the event loop.
    const CommandLine::Options options = CommandLine::parse(argc, argv);
    if (options.request == CommandLine::Request::Batch)
        return BatchMode::run(argc, argv, options.jobs);
    if (options.request == CommandLine::Request::Watch)
        return WatchMode::run(argc, argv, options.chipOnly);
    using Request = CommandLine::Request;
    const Request request = options.request;
    const bool fromReader = request == Request::Reader || request == Request::JsonReader
                            || request == Request::ReadCard;
    if (request != Request::Lookup && request != Request::Json && !fromReader)
        return Output::exitStatus(CommandLine::answer(options));

    // The modes that read the card always give their answer, even when ended from outside:
    // signals are noted from now on and handled once the run can answer them.
    if (fromReader)
        SignalPipe::catchSignals();

    // From here on the run ends by itself, at the latest when the watchdog ends it.
    const Watchdog watchdog(fromReader ? readerLimitMs : Watchdog::limitMs);

    QApplication app(argc, argv, toolkitFlags);

    // The card number is read after the toolkit has taken its own options out of the command
    // line, as the default mode always has.
    // So is the card of --json: the toolkit's options may stand in front of it there, too.
    const QStringList arguments = QCoreApplication::arguments();
    const bool json = request == Request::Json || request == Request::JsonReader
                      || request == Request::ReadCard;
    if (request == Request::Lookup && arguments.size() < 2)
        return CommandLine::answer(CommandLine::Options());
    QString card = arguments.value(1);
    if (request == Request::Json) {
        const CommandLine::Options jsonOptions = CommandLine::parse(arguments.mid(1));
        if (jsonOptions.request != Request::Json)
            return CommandLine::answer(jsonOptions);
        card = jsonOptions.card;
    }
    lookup = new Tarvik(json ? Tarvik::Form::Json : Tarvik::Form::Text);
    lookup->setPopupLimit(popupLimitMs);
    if (fromReader) {
        lookup->setCardWait(cardWaitMs, cardReadMs);
        lookup->endOnSignals();
        lookup->readCard(request == Request::ReadCard);
    } else {
        lookup->setTarvikData(card);
    }
    const int status = lookup->exitStatus(app.exec());
    CardStackEnd::settle(status);
    return status;
}

} // namespace Program
