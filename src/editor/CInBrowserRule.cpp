#include "CInBrowserRule.h"

bool CInBrowserRule::isEnabled(const QString &pathName)
{
    return pathName.endsWith(QLatin1String(".htm"), Qt::CaseSensitive)
        || pathName.endsWith(QLatin1String(".html"), Qt::CaseSensitive);
}
