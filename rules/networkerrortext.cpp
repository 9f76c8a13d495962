// SPDX-License-Identifier: MIT
#include "networkerrortext.h"

namespace NetworkErrorText {

QString unified(const QString &errorString)
{
    // A compressed reply that does not unpack: Qt 5 says only this, Qt 6 says "Decompression
    // failed: " and zlib's reason, if any.
    if (errorString.startsWith(QLatin1String("Decompression failed: ")))
        return QStringLiteral("Data corrupted");

    // A status line without a reason phrase ("HTTP/1.1 503"): Qt 6 reports the empty reason,
    // Qt 5 the whole status line in its place. Qt 6 cannot tell which line it read, so both
    // report the empty reason.
    const QLatin1String replied(" - server replied: ");
    const int at = errorString.lastIndexOf(replied);
    if (at < 0)
        return errorString;
    const QString reason = errorString.mid(at + replied.size());
    if (reason.startsWith(QLatin1String("HTTP/")) && reason.count(QLatin1Char(' ')) == 1)
        return errorString.left(at + replied.size());
    return errorString;
}

} // namespace NetworkErrorText
