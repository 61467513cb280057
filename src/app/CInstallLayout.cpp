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

namespace {
void addOnce(QStringList &dirs, const QString &dir)
{
    const QString clean = QDir::cleanPath(dir);
    if (!dirs.contains(clean))
        dirs << clean;
}
} // namespace

QStringList CInstallLayout::companionDirs() const
{
    QStringList dirs;
    addOnce(dirs, m_programDir);
    addOnce(dirs, QDir(m_programDir).filePath(QStringLiteral(OSTRAK_REL_LIBEXECDIR)));
    if (m_withBuiltInPrefix)
        addOnce(dirs, QStringLiteral(OSTRAK_FULL_LIBEXECDIR));
    return dirs;
}

QStringList CInstallLayout::sharedDataDirs() const
{
    QStringList dirs;
    addOnce(dirs, QDir(m_programDir).filePath(QStringLiteral(OSTRAK_REL_DATADIR)));
    if (m_withBuiltInPrefix)
        addOnce(dirs, QStringLiteral(OSTRAK_FULL_DATADIR));
    return dirs;
}

QStringList CInstallLayout::dataDirs() const
{
    QStringList dirs;
    addOnce(dirs, m_programDir);
    for (const QString &dir : sharedDataDirs())
        addOnce(dirs, dir);
    return dirs;
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
