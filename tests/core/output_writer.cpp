// Writes a fixed set of messages through the process's message handler and then dies of a fatal
// message, as tst_output expects byte for byte.
#include "debugline.h"
#include "messagehandler.h"

int main()
{
    qInstallMessageHandler(myMessageOutput);
    DebugLine().text("Client Strasse\t").value(QString()).write();
    DebugLine().text("Nummer ist falsch: ").value(QStringLiteral("a\"b\tc")).write();
    DebugLine().number(-42).write();
    DebugLine().bytes("Z\xc3\xbcrich").text("<br><br>").write();
    DebugLine().text("Client Ort\t").value(QStringLiteral("Bern")).text("\n").write();
    qInfo("informational");
    qWarning("careful");
    qCritical("serious");
    qFatal("stop");
}
