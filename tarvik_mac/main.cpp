#include "batch.h"
#include "commandline.h"
#include "messagehandler.h"
#include "tarvik.h"

#include <QApplication>
#include <QStringList>

#include <csignal>
#include <cstdio>

namespace {

// Never deleted: the lookup object, its popup and its network access manager live until the
// process ends. Held here rather than in a local so that leak checkers see it is meant to stay.
Tarvik *lookup = nullptr;

// A batch larger than this is refused rather than held: about three million cards.
constexpr qint64 maxBatchInput = 64 * 1024 * 1024;

// Reads all of standard input; false when it is larger than the limit or cannot be read.
bool readAllInput(QByteArray &input)
{
    char buffer[64 * 1024];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
        if (input.size() + qint64(got) > maxBatchInput)
            return false;
        input.append(buffer, int(got));
    }
    return !std::ferror(stdin);
}

int runBatch(int argc, char *argv[], int jobs)
{
    QByteArray input;
    if (!readAllInput(input)) {
        std::fputs("tarvik: Die Standardeingabe ist grösser als 64 MiB oder nicht lesbar; bitte "
                   "in Teilen prüfen.\n",
                   stderr);
        return 2;
    }
    // Nothing to check: no window, nothing written.
    if (BatchInput::count(input) == 0)
        return 0;

    QApplication app(argc, argv, 0x050201);
    Batch batch(input, jobs);
    input.clear();
    QObject::connect(&batch, &Batch::finished, &app, &QCoreApplication::quit);
    batch.cancelOnSignals();
    batch.start();
    app.exec();
    return batch.exitStatus();
}

} // namespace

int main(int argc, char *argv[])
{
    // Installed first, so that every diagnostic of the run, the toolkit's own included, takes
    // the same way out.
    qInstallMessageHandler(myMessageOutput);

    // Usage errors, --help and --version are answered before the toolkit starts: they need no
    // display, and without a card number nothing would ever end the event loop.
    QStringList rawArguments;
    for (int i = 1; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine::Options options = CommandLine::parse(rawArguments);
#ifdef SIGPIPE
    // A calling program that stops reading must not kill a JSON run: the write fails instead,
    // and the answer counts as undelivered (exit status 4).
    if (options.request == CommandLine::Request::Json
        || options.request == CommandLine::Request::Batch)
        std::signal(SIGPIPE, SIG_IGN);
#endif
    switch (options.request) {
    case CommandLine::Request::Lookup:
    case CommandLine::Request::Json:
        break;
    case CommandLine::Request::Batch:
        return runBatch(argc, argv, options.jobs);
    default:
        return CommandLine::answer(options);
    }

    // Created for the toolkit version the tool was first written for.
    QApplication app(argc, argv, 0x050201);

    if (options.request == CommandLine::Request::Json) {
        lookup = new Tarvik;
        lookup->setOutput(Tarvik::Output::Json);
        lookup->setTarvikData(options.card);
        app.exec();
        return lookup->exitStatus();
    }

    // Read after the toolkit has taken its own options out of the command line.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2)
        return CommandLine::answer(CommandLine::Options());
    lookup = new Tarvik;
    lookup->setTarvikData(arguments.at(1));
    return app.exec();
}
