#include "messagehandler.h"

#include <QString>

void myMessageOutput(QtMsgType, const QMessageLogContext &, const QString &) { }
