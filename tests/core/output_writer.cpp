// Writes a fixed set of messages through the process's message handler and then dies of a fatal
// message, as tst_output expects byte for byte.
#include "debugline.h"
#include "messagehandler.h"

int main()
{
    qInstallMessageHandler(myMessageOutput);
    DebugLine().text("Client Strasse\t").value(QString()).write();
    // A lone surrogate, as a card number cut in the middle of an emoji leaves.
    DebugLine()
            .text("Nummer ist falsch: ")
            .value(QStringLiteral("a\"b\tc") + QChar(0xD83D) + '.')
            .write();
    DebugLine().number(-42).write();
    DebugLine().bytes(QByteArray("Z\xc3\xbcrich\0x", 9)).text("<br><br>").write();
    DebugLine().text("Client Ort\t").value(QStringLiteral("Bern")).text("\n").write();
    qInfo("informational");
    qWarning("careful");
    qFatal("stop");
}
