#include "recordcuts.h"

namespace RecordCuts {
QString piece(const QString &, const QString &, const QString &)
{
    return {};
}
QString element(const QString &, const QString &, const QString &)
{
    return {};
}
QString attribute(const QString &, const QString &)
{
    return {};
}
QString insurerName(const QString &)
{
    return {};
}
} // namespace RecordCuts
