#include "CRemoteCommandLine.h"

#include "app/CSettings.h"
#include "run/CRunCommandLine.h"
#include "server/CShellQuote.h"

QString CRemoteCommandLine::perlRun(const CSettings &settings, const QString &scriptName)
{
    QStringList words{settings.REMOTE_PERL_EXE.isEmpty() ? QStringLiteral("perl") : settings.REMOTE_PERL_EXE};
    words += CRunCommandLine::splitArguments(settings.REMOTE_PERL_PRM);
    words += scriptName;
    QStringList quoted;
    for (const QString &word : words)
        quoted += CShellQuote::quote(word);
    const QString run = autoflushPrefix() + QStringLiteral(" exec ") + quoted.join(QLatin1Char(' '));
    return settings.REMOTE_DIRECTORY.isEmpty() ? run : changeDirectory(settings.REMOTE_DIRECTORY) + QStringLiteral(" && ") + run;
}

QString CRemoteCommandLine::autoflushPrefix()
{
    return QStringLiteral("PERL5OPT=\"${PERL5OPT:+$PERL5OPT }\"'-MIO::Handle;$|=1'");
}

QString CRemoteCommandLine::changeDirectory(const QString &directory)
{
    return QStringLiteral("cd ") + CShellQuote::quote(directory);
}
