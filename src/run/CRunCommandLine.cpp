#include "CRunCommandLine.h"

#include "app/CSettings.h"

#include <QFileInfo>

namespace {

const QString kJava = QStringLiteral(".java");
const QString kBlank = QStringLiteral(" ");

} // namespace

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
            result.program = s.LOCAL_JAVA_EXE;
            result.arguments = splitArguments(s.LOCAL_JAVA_PRM) << className;
            result.displayLine = s.LOCAL_JAVA_EXE + kBlank + s.LOCAL_JAVA_PRM + kBlank + className;
        } else {
            result.program = s.LOCAL_PERL_EXE;
            result.perl = true;
            result.arguments = QStringList{path};
            result.displayLine = s.LOCAL_PERL_EXE + kBlank + path;
        }
        break;
    case Compile:
        if (java) {
            result.program = s.LOCAL_JAVAC_EXE;
            result.arguments = splitArguments(s.LOCAL_JAVAC_PRM) << path;
            result.displayLine = s.LOCAL_JAVAC_EXE + kBlank + s.LOCAL_JAVAC_PRM + kBlank + path;
        } else {
            result.program = s.LOCAL_PERL_EXE;
            result.perl = true;
            result.arguments = QStringList{QStringLiteral("-c"), path};
            result.displayLine = s.LOCAL_PERL_EXE + QStringLiteral(" -c ") + path;
        }
        break;
    case Debug:
        result.program = s.LOCAL_PERL_EXE;
        result.perl = true;
        result.arguments = QStringList{QStringLiteral("-d"), path};
        result.displayLine = s.LOCAL_PERL_EXE + QStringLiteral(" -d ") + path;
        break;
    }
    return result;
}

CCommandSpec CRunCommandLine::console(Command command, const CSettings &s, const QString &path,
                                      const QString &launcher)
{
    CCommandSpec result;
    result.program = launcher;
    result.workingDirectory = workingDirectory(path);
    result.arguments << launcherMarker() << s.LOCAL_PERL_EXE;
    QString line = QStringLiteral("korbu ") + launcherMarker() + kBlank + s.LOCAL_PERL_EXE;
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
