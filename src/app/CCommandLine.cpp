#include "CCommandLine.h"

#include <QFileInfo>

#ifndef OSTRAK_VERSION
#error "the version is not set"
#endif

QString CCommandLine::usage(const QString &program)
{
    return QStringLiteral("Usage: %1 [options] [script]\n"
                          "A development environment for Perl scripts.\n"
                          "\n"
                          "  script          the script to open; a new one when none is named\n"
                          "  -h, --help      show this text and exit\n"
                          "  -v, --version   show the version and exit\n"
                          "  --              end of options (for a script whose name starts with -)\n"
                          "\n"
                          "Qt's own options (-platform, -display, -style ...) are accepted as well.\n")
        .arg(program);
}

QString CCommandLine::versionNumber()
{
    return QStringLiteral(OSTRAK_VERSION);
}

QString CCommandLine::version()
{
    return QStringLiteral("ostrak ") + versionNumber() + QLatin1Char('\n');
}

CCommandLine CCommandLine::parse(const QStringList &arguments)
{
    CCommandLine line;
    const QString program = arguments.isEmpty() ? QStringLiteral("ostrak") : QFileInfo(arguments.first()).fileName();
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == QLatin1String("-h") || arg == QLatin1String("--help"))) {
            line.m_action = ShowHelp;
            line.m_text = usage(program);
            return line;
        } else if (!optionsEnded && (arg == QLatin1String("-v") || arg == QLatin1String("--version"))) {
            line.m_action = ShowVersion;
            line.m_text = version();
            return line;
        } else if (!optionsEnded && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            // Help and version still win when they come later.
            if (line.m_action == Start) {
                line.m_action = Refuse;
                line.m_text = QStringLiteral("%1: unknown option %2\n%3").arg(program, arg, usage(program));
            }
        } else if (line.m_fileName.isEmpty()) {
            line.m_fileName = arg;
        }
    }
    return line;
}
