#include "replytext.h"

QString replyText(const QByteArray &body, const QByteArray &)
{
    return QString::fromUtf8(body);
}
