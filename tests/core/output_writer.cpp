// SPDX-License-Identifier: MIT
// Writes through the process's output paths as tst_endtoend expects byte for byte: "messages"
// writes a fixed set of messages and dies of a fatal one; the others leave the run to the watchdog.
#include "debugline.h"
#include "messagehandler.h"
#include "output.h"
#include "residentmemory.h"
#include "watchdog.h"

#include <QByteArray>

#include <chrono>
#include <thread>
#include <vector>

int main(int argc, char *argv[])
{
    Output::guardStandardStreams();
    qInstallMessageHandler(myMessageOutput);
    const QByteArray scenario = argc > 1 ? argv[1] : "";
    const auto stuck = [] { std::this_thread::sleep_for(std::chrono::seconds(20)); };
    Output::setLastWords("last words\n");
    if (scenario == "memory") {
        Output::setLastWords("last words\n", 4); // the status of a run in the JSON form
        const Watchdog watchdog(20000, ResidentMemory::bytes() + 32 * 1024 * 1024);
        const std::vector<char> memory(64 * 1024 * 1024, 1);
        stuck();
    } else if (scenario == "kick") { // progress keeps the run alive past its first limit
        Watchdog watchdog(300);
        for (int i = 0; i < 6; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            watchdog.kick();
        }
        DebugLine::write(QStringLiteral("alive"));
        stuck();
    } else if (scenario == "answer") {
        const Watchdog watchdog(200);
        const auto hold = Output::holdAnswer();
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        DebugLine::write(QStringLiteral("first half"));
        DebugLine::write(QStringLiteral("second half"));
    }
    if (scenario != "messages")
        return 3;
    // The other pieces of a line are pinned where the program writes them (tst_endtoend).
    DebugLine().bytes(QByteArray("Z\xc3\xbcrich\0x", 9)).text("<br><br>").write();
    qInfo("informational");
    qWarning("careful");
    qCritical("serious");
    qFatal("stop");
}
