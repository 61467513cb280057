#include "CInstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

// Set by the build from the installation directories; the relative forms
// lead from the program folder to the others.
#if !defined(OSTRAK_REL_LIBEXECDIR) || !defined(OSTRAK_REL_DATADIR) || !defined(OSTRAK_FULL_LIBEXECDIR) \
    || !defined(OSTRAK_FULL_DATADIR)
#error "the installation directories are not set"
#endif

CInstallLayout::CInstallLayout(const QString &programDir, bool withBuiltInPrefix)
    : m_programDir(programDir)
    , m_withBuiltInPrefix(withBuiltInPrefix)
{
}

CInstallLayout CInstallLayout::ofThisProgram()
{
    return CInstallLayout(QCoreApplication::applicationDirPath());
}

QStringList CInstallLayout::installedDirs(bool withProgramDir, const char *relative, const char *full) const
{
    QStringList dirs;
    for (const QString &dir : {withProgramDir ? m_programDir : QString(), QDir(m_programDir).filePath(QLatin1String(relative)),
                               m_withBuiltInPrefix ? QString::fromLatin1(full) : QString()}) {
        if (!dir.isEmpty() && !dirs.contains(QDir::cleanPath(dir)))
            dirs << QDir::cleanPath(dir);
    }
    return dirs;
}

QStringList CInstallLayout::companionDirs() const
{
    return installedDirs(true, OSTRAK_REL_LIBEXECDIR, OSTRAK_FULL_LIBEXECDIR);
}

QStringList CInstallLayout::sharedDataDirs() const
{
    return installedDirs(false, OSTRAK_REL_DATADIR, OSTRAK_FULL_DATADIR);
}

QStringList CInstallLayout::dataDirs() const
{
    return installedDirs(true, OSTRAK_REL_DATADIR, OSTRAK_FULL_DATADIR);
}

QString CInstallLayout::firstExisting(const QStringList &dirs, const QString &name)
{
    for (const QString &dir : dirs) {
        const QString path = QDir(dir).filePath(name);
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

QString CInstallLayout::companion(const QString &name) const
{
    for (const QString &dir : companionDirs()) {
        const QFileInfo info(QDir(dir).filePath(name));
        if (info.isFile() && info.isExecutable())
            return info.filePath();
    }
    const QString onPath = QStandardPaths::findExecutable(name);
    return onPath.isEmpty() ? QDir(m_programDir).filePath(name) : onPath;
}

QString CInstallLayout::dataFile(const QString &name) const
{
    const QString found = firstExisting(dataDirs(), name);
    return found.isEmpty() ? QDir(m_programDir).filePath(name) : found;
}

QString CInstallLayout::sharedDataFile(const QString &name) const
{
    return firstExisting(sharedDataDirs(), name);
}
