#include "CSyntaxCheckCommand.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

QString CSyntaxCheckCommand::messageName(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("untitled.pl");
    // A "#line" file name ends at the first quote and cannot hold a line end.
    if (path.contains(u'"') || path.contains(u'\n') || path.contains(u'\r'))
        return QStringLiteral("script.pl");
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString CSyntaxCheckCommand::taintSwitch(const QByteArray &text)
{
    if (!text.startsWith("#!"))
        return {};
    const qsizetype end = text.indexOf('\n');
    const QString first = QString::fromUtf8(text.left(end < 0 ? std::min<qsizetype>(text.size(), 1024) : end));
    // Only switches after the word perl count, as Perl reads them.
    const qsizetype perl = first.indexOf(QLatin1String("perl"));
    if (perl < 0)
        return {};
    static const QRegularExpression clusters(QStringLiteral("(?:^|\\s)-([wWXsnpalcU]*)([Tt])"));
    const auto match = clusters.match(first, perl);
    return match.hasMatch() ? QStringLiteral("-") + match.captured(2) : QString();
}

CToolRun CSyntaxCheckCommand::build(const QString &perl, const QString &path, const QByteArray &text)
{
    QStringList arguments;
    const QString taint = taintSwitch(text);
    if (!taint.isEmpty())
        arguments << taint;
    arguments << QStringLiteral("-c");
    QString folder;
    if (!path.isEmpty()) {
        folder = QFileInfo(path).absolutePath();
        arguments << QStringLiteral("-I") + folder << QStringLiteral("-I") + folder + QStringLiteral("/lib");
    }
    // "use 5.000" does nothing but carry the hook into the preamble.
    arguments << QStringLiteral("-M5.000;BEGIN{$SIG{__WARN__}=sub{print STDERR \"\\x01\",@_}}")
              << QStringLiteral("-");
    QByteArray input = "#line 1 \"" + messageName(path).toUtf8() + "\"\n";
    input += text;
    CToolRun run(perl, arguments);
    run.setInput(input);
    run.setWorkingDirectory(folder);
    run.setTimeLimit(TimeLimitMs);
    run.setOutputLimit(0);
    run.setErrorLimit(ErrorLimit);
    return run;
}
