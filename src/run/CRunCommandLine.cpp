#include "CRunCommandLine.h"

#include "app/CSettings.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kJava = QStringLiteral(".java");
const QString kBlank = QStringLiteral(" ");

struct CToolNames
{
    const char *key;
    const char *name;
    const char *page;
};

constexpr CToolNames kTools[] = {
    {"LOCAL_PERL_EXE", "perl", "Perl"},
    {"LOCAL_JAVA_EXE", "java", "Java Interpreter"},
    {"LOCAL_JAVAC_EXE", "javac", "Java compiler"},
};

// The program of `tool` on `command`, or the reason there is none.
void setProgram(CCommandSpec &command, CRunCommandLine::Tool tool, const QString &setting)
{
    command.program = CRunCommandLine::program(tool, setting);
    if (command.program.isEmpty())
        command.problem = CRunCommandLine::missingMessage(tool);
}

} // namespace

QString CRunCommandLine::program(Tool tool, const QString &setting)
{
    if (!setting.isEmpty())
        return setting;
    return QStandardPaths::findExecutable(QString::fromLatin1(kTools[tool].name));
}

QString CRunCommandLine::missingMessage(Tool tool)
{
    const CToolNames &t = kTools[tool];
    return QStringLiteral("%1 is empty and no %2 was found on PATH.\n"
                          "Set it in Tools > Options, page \"%3\".")
        .arg(QLatin1String(t.key), QLatin1String(t.name), QLatin1String(t.page));
}

bool CRunCommandLine::isJava(const QString &path)
{
    return path.size() > kJava.size() && path.endsWith(kJava, Qt::CaseSensitive);
}

QString CRunCommandLine::javaClassName(const QString &title)
{
    QString name = title;
    return name.remove(kJava, Qt::CaseSensitive);
}

QString CRunCommandLine::workingDirectory(const QString &path)
{
    if (path.isEmpty())
        return QString();
    return QFileInfo(path).absolutePath();
}

QStringList CRunCommandLine::splitArguments(const QString &text)
{
    QStringList words;
    QString word;
    bool inWord = false;
    enum { Plain, Single, Double } quote = Plain;

    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (quote) {
        case Single:
            if (c == u'\'')
                quote = Plain;
            else
                word += c;
            break;
        case Double:
            if (c == u'"') {
                quote = Plain;
            } else if (c == u'\\' && i + 1 < text.size()
                       && QStringView(u"\"\\$`").contains(text.at(i + 1))) {
                word += text.at(++i);
            } else {
                word += c;
            }
            break;
        case Plain:
            if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
                if (inWord)
                    words << word;
                word.clear();
                inWord = false;
            } else if (c == u'\'') {
                quote = Single;
                inWord = true;
            } else if (c == u'"') {
                quote = Double;
                inWord = true;
            } else if (c == u'\\') {
                if (i + 1 < text.size())
                    word += text.at(++i);
                inWord = true;
            } else {
                word += c;
                inWord = true;
            }
            break;
        }
    }
    if (inWord)
        words << word;
    return words;
}

CCommandSpec CRunCommandLine::piped(Command command, const CSettings &s, const QString &path,
                                    const QString &title)
{
    CCommandSpec result;
    result.workingDirectory = workingDirectory(path);
    const bool java = command != Debug && isJava(path);
    switch (command) {
    case Run:
        if (java) {
            const QString className = javaClassName(title);
            setProgram(result, Java, s.LOCAL_JAVA_EXE);
            result.arguments = splitArguments(s.LOCAL_JAVA_PRM) << className;
            result.displayLine = result.program + kBlank + s.LOCAL_JAVA_PRM + kBlank + className;
        } else {
            setProgram(result, Perl, s.LOCAL_PERL_EXE);
            result.perl = true;
            result.arguments = QStringList{path};
            result.displayLine = result.program + kBlank + path;
        }
        break;
    case Compile:
        if (java) {
            setProgram(result, Javac, s.LOCAL_JAVAC_EXE);
            result.arguments = splitArguments(s.LOCAL_JAVAC_PRM) << path;
            result.displayLine = result.program + kBlank + s.LOCAL_JAVAC_PRM + kBlank + path;
        } else {
            setProgram(result, Perl, s.LOCAL_PERL_EXE);
            result.perl = true;
            result.arguments = QStringList{QStringLiteral("-c"), path};
            result.displayLine = result.program + QStringLiteral(" -c ") + path;
        }
        break;
    case Debug:
        setProgram(result, Perl, s.LOCAL_PERL_EXE);
        result.perl = true;
        result.arguments = QStringList{QStringLiteral("-d"), path};
        result.displayLine = result.program + QStringLiteral(" -d ") + path;
        break;
    }
    return result;
}

CCommandSpec CRunCommandLine::console(Command command, const CSettings &s, const QString &path,
                                      const QString &launcher)
{
    CCommandSpec result;
    const QString perl = program(Perl, s.LOCAL_PERL_EXE);
    if (perl.isEmpty())
        result.problem = missingMessage(Perl);
    result.program = launcher;
    result.workingDirectory = workingDirectory(path);
    result.arguments << launcherMarker() << perl;
    QString line = QStringLiteral("korbu ") + launcherMarker() + kBlank + perl;
    if (command == Debug) {
        result.arguments << QStringLiteral("-d");
        line += QStringLiteral(" -d ") + path;
    } else {
        result.arguments << splitArguments(s.LOCAL_PERL_PRM);
        line += kBlank + s.LOCAL_PERL_PRM + kBlank + path;
    }
    result.arguments << path;
    result.displayLine = line;
    return result;
}
