#include "CViewPreferences.h"

#include <QSettings>

#include <algorithm>

namespace {

const char kColouring[] = "View/SyntaxColouring";
const char kLineNumbers[] = "View/LineNumbers";
const char kReopen[] = "View/ReopenLastScript";
const char kLastPath[] = "View/LastScript";
const char kLastLine[] = "View/LastScriptLine";
const char kIndentationGuides[] = "View/IndentationGuides";
const char kSyntaxCheck[] = "View/SyntaxCheck";
const char kCriticSeverity[] = "View/CriticSeverity";

QSettings userSettings()
{
    return QSettings(QStringLiteral("HALDEN"), QStringLiteral("Ostrak"));
}

bool read(const char *key, bool byDefault = true)
{
    return userSettings().value(QLatin1String(key), byDefault).toBool();
}

void write(const char *key, bool on)
{
    QSettings settings = userSettings();
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

bool CViewPreferences::reopenLastScript()
{
    return read(kReopen, false);
}

void CViewPreferences::setReopenLastScript(bool on)
{
    write(kReopen, on);
}

CViewPreferences::LastScript CViewPreferences::lastScript()
{
    const QSettings settings = userSettings();
    return {settings.value(QLatin1String(kLastPath)).toString(),
            std::max(1, settings.value(QLatin1String(kLastLine), 1).toInt())};
}

void CViewPreferences::setLastScript(const LastScript &script)
{
    QSettings settings = userSettings();
    settings.setValue(QLatin1String(kLastPath), script.path);
    settings.setValue(QLatin1String(kLastLine), script.line);
    settings.sync();
}

bool CViewPreferences::indentationGuides()
{
    return read(kIndentationGuides);
}

void CViewPreferences::setIndentationGuides(bool on)
{
    write(kIndentationGuides, on);
}

bool CViewPreferences::syntaxCheck()
{
    return read(kSyntaxCheck);
}

void CViewPreferences::setSyntaxCheck(bool on)
{
    write(kSyntaxCheck, on);
}

int CViewPreferences::criticSeverity()
{
    bool ok = false;
    const int severity = userSettings().value(QLatin1String(kCriticSeverity), 4).toInt(&ok);
    return ok && severity >= 1 && severity <= 5 ? severity : 4;
}

void CViewPreferences::setCriticSeverity(int severity)
{
    QSettings settings = userSettings();
    settings.setValue(QLatin1String(kCriticSeverity), std::clamp(severity, 1, 5));
    settings.sync();
}
