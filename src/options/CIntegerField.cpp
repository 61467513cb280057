#include "CIntegerField.h"

CIntegerField::Result CIntegerField::read(const QString &text, long min, long max)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok, 10);
    if (!ok)
        return {std::nullopt, QStringLiteral("Please enter an integer.")};
    if (value < min || value > max)
        return {std::nullopt, QStringLiteral("Please enter an integer between %1 and %2.").arg(min).arg(max)};
    return {static_cast<long>(value), QString()};
}
