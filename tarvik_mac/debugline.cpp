#include "debugline.h"

DebugLine &DebugLine::text(const char *)
{
    return *this;
}
DebugLine &DebugLine::text(const QString &)
{
    return *this;
}
DebugLine &DebugLine::value(const QString &)
{
    return *this;
}
DebugLine &DebugLine::number(qint64)
{
    return *this;
}
DebugLine &DebugLine::bytes(const QByteArray &)
{
    return *this;
}
void DebugLine::write() const { }
