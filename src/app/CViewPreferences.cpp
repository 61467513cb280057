#include "CViewPreferences.h"

#include <QSettings>

namespace {

const char kColouring[] = "View/SyntaxColouring";
const char kLineNumbers[] = "View/LineNumbers";
const char kIndentationGuides[] = "View/IndentationGuides";

bool read(const char *key)
{
    return QSettings(QStringLiteral("HALDEN"), QStringLiteral("Ostrak")).value(QLatin1String(key), true).toBool();
}

void write(const char *key, bool on)
{
    QSettings settings(QStringLiteral("HALDEN"), QStringLiteral("Ostrak"));
    settings.setValue(QLatin1String(key), on);
    settings.sync();
}

} // namespace

bool CViewPreferences::syntaxColouring()
{
    return read(kColouring);
}

void CViewPreferences::setSyntaxColouring(bool on)
{
    write(kColouring, on);
}

bool CViewPreferences::lineNumbers()
{
    return read(kLineNumbers);
}

void CViewPreferences::setLineNumbers(bool on)
{
    write(kLineNumbers, on);
}

bool CViewPreferences::indentationGuides()
{
    return read(kIndentationGuides);
}

void CViewPreferences::setIndentationGuides(bool on)
{
    write(kIndentationGuides, on);
}
