#include "valuerules.h"

QString normalizeOfacId(const QString &value)
{
    return value;
}
QString normalizeNameCase(const QString &value)
{
    return value;
}
QString sexText(const QString &)
{
    return {};
}
QString formatAhvNumber(const QString &value)
{
    return value;
}
QString reorderBirthDate(const QString &value)
{
    return value;
}
