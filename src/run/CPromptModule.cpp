#include "CPromptModule.h"

#include "app/CInstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

qsizetype find(const QStringList &env, const QString &name)
{
    const QString prefix = name + QLatin1Char('=');
    for (qsizetype i = 0; i < env.size(); ++i) {
        if (env.at(i).startsWith(prefix))
            return i;
    }
    return -1;
}

QString value(const QStringList &env, qsizetype index, const QString &name)
{
    return index < 0 ? QString() : env.at(index).mid(name.size() + 1);
}

void set(QStringList &env, qsizetype index, const QString &name, const QString &text)
{
    const QString entry = name + QLatin1Char('=') + text;
    if (index < 0)
        env << entry;
    else
        env[index] = entry;
}

} // namespace

QString CPromptModule::defaultFolder()
{
    return CInstallLayout::ofThisProgram().dataFile(QStringLiteral("OstrakPerl"));
}

bool CPromptModule::isPresent(const QString &folder)
{
    return !folder.isEmpty() && QFileInfo(QDir(folder).filePath(moduleName() + QStringLiteral(".pm"))).isFile();
}

QString CPromptModule::folderFor(const QString &besideFolder, const QString &runFolder)
{
    if (isPresent(besideFolder))
        return besideFolder;
    if (runFolder.isEmpty())
        return QString();
    const QString folder = QDir(runFolder).filePath(QStringLiteral("OstrakPerl"));
    const QString file = moduleName() + QStringLiteral(".pm");
    if (!QDir().mkpath(folder) || !QFile::copy(QStringLiteral(":/OstrakPerl/") + file, QDir(folder).filePath(file)))
        return isPresent(folder) ? folder : QString();
    return folder;
}

QStringList CPromptModule::environment(const QStringList &environment, const QString &folder)
{
    // A colon would split the folder in PERL5LIB.
    if (!isPresent(folder) || folder.contains(QLatin1Char(':')))
        return environment;
    QStringList env = environment;
    const QString lib = QStringLiteral("PERL5LIB");
    const QString opt = QStringLiteral("PERL5OPT");
    // PERL5OPT is split at blanks, so the folder (which may hold blanks) goes
    // into PERL5LIB. Perl reads PERLLIB only when PERL5LIB is unset.
    const qsizetype libAt = find(env, lib);
    QString userLib = value(env, libAt, lib);
    if (libAt < 0)
        userLib = value(env, find(env, QStringLiteral("PERLLIB")), QStringLiteral("PERLLIB"));
    const QString absolute = QDir(folder).absolutePath();
    set(env, libAt, lib, userLib.isEmpty() ? absolute : absolute + QLatin1Char(':') + userLib);

    const qsizetype optAt = find(env, opt);
    const QString userOpt = value(env, optAt, opt);
    const QString ours = QStringLiteral("-M") + moduleName();
    set(env, optAt, opt, userOpt.trimmed().isEmpty() ? ours : ours + QLatin1Char(' ') + userOpt);
    return env;
}
