#include "commandline.h"
#include "messagehandler.h"
#include "output.h"
#include "tarvik.h"
#include "watchdog.h"

#include <QApplication>
#include <QStringList>

namespace {

// Never deleted: the lookup object, its popup and its network access manager live until the
// process ends. Held here rather than in a local so that leak checkers see it is meant to stay.
Tarvik *lookup = nullptr;

} // namespace

int main(int argc, char *argv[])
{
    // Before anything can open a descriptor.
    Output::guardStandardStreams();

    // Installed next, so that every diagnostic of the run, the toolkit's own included, takes
    // the same way out.
    qInstallMessageHandler(myMessageOutput);

    // No card number, --help and --version are answered before the toolkit starts: they need no
    // display, and without a card number nothing would ever end the event loop.
    const CommandLine::Request request = CommandLine::requestFor(argc > 1 ? argv[1] : nullptr);
    if (request != CommandLine::Request::Lookup)
        return Output::exitStatus(CommandLine::answer(request));

    // From here on the run ends by itself, at the latest when the watchdog ends it.
    const Watchdog watchdog;

    // Created for the toolkit version the tool was first written for.
    QApplication app(argc, argv, 0x050201);

    // Read after the toolkit has taken its own options out of the command line.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2)
        return CommandLine::answer(CommandLine::Request::Usage);

    lookup = new Tarvik;
    lookup->setTarvikData(arguments.at(1));
    return Output::exitStatus(app.exec());
}
