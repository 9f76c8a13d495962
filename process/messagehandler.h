// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

class QByteArray;
class QMessageLogContext;
class QString;

// The process-wide message handler: debug messages are the program's output and go to standard
// output, checked (see Output); the toolkit's warnings, critical and fatal messages go to standard
// error with a prefix. A fatal message aborts the process after flushing standard output, so that
// lines already written reach the calling program.
void myMessageOutput(QtMsgType type, const QMessageLogContext &context, const QString &message);

// The bytes a debug message becomes on standard output.
QByteArray outputBytes(const QString &message);
