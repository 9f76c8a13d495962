#include "buildconfig.h"
#include "messagehandler.h"
#include "tarvik.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <cstring>

namespace {

const char usageLine[] = "Aufruf: tarvik <Kartennummer>  (20 Ziffern, beginnend mit 80756)\n";

} // namespace

int main(int argc, char *argv[])
{
    // Installed first, so that every diagnostic of the run, the toolkit's own included, takes
    // the same way out.
    qInstallMessageHandler(myMessageOutput);

    // Without a card number there is nothing to do and nothing would ever end the event loop;
    // this needs no display, so it is answered before the toolkit starts.
    if (argc < 2) {
        std::fputs(usageLine, stderr);
        return 2;
    }

    // The application object is created for the toolkit version the tool was first written for.
    QApplication app(argc, argv, 0x050201);

    // Read after the toolkit has taken its own options out of the command line.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2) {
        std::fputs(usageLine, stderr);
        return 2;
    }

    // Never deleted: the object, its popup and its network access manager live until the end.
    auto *tarvik = new Tarvik;
    tarvik->setTarvikData(arguments.at(1));
    return app.exec();
}
