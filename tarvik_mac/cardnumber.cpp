#include "cardnumber.h"

namespace CardNumber {
QString cleanUp(const QString &argument)
{
    return argument;
}
Verdict check(const QString &)
{
    return Verdict::Accepted;
}
QString rejectionMessage(Verdict)
{
    return {};
}
} // namespace CardNumber
