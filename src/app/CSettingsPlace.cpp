#include "CSettingsPlace.h"

#include "CConfigFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

bool CSettingsPlace::isSystemProgramFolder(const QString &dir)
{
    static const char *const systemFolders[] = {"/bin", "/sbin", "/usr/bin", "/usr/sbin",
                                                "/usr/local/bin", "/usr/local/sbin", "/usr/games"};
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    for (const char *folder : systemFolders) {
        if (canonical == QFileInfo(QLatin1String(folder)).canonicalFilePath()
            || QDir::cleanPath(dir) == QLatin1String(folder))
            return true;
    }
    return false;
}

bool CSettingsPlace::takesSettings(const QString &dir)
{
    if (dir.isEmpty() || !QFileInfo(dir).isDir() || isSystemProgramFolder(dir))
        return false;
    return ::access(QFile::encodeName(dir).constData(), W_OK | X_OK) == 0;
}

QString CSettingsPlace::choose(const QString &programDir, const QString &userConfigDir)
{
    if (takesSettings(programDir))
        return QDir(programDir).filePath(fileName());
    return QDir(userConfigDir).filePath(QStringLiteral("HALDEN/") + fileName());
}

void CSettingsPlace::resolveOnPath(CSettings &settings, const QString &searchPath)
{
    const QStringList dirs = searchPath.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (QString *value : {&settings.LOCAL_PERL_EXE, &settings.LOCAL_JAVA_EXE, &settings.LOCAL_JAVAC_EXE}) {
        if (!value->isEmpty() && !value->contains(QLatin1Char('/')))
            *value = dirs.isEmpty() ? QString() : QStandardPaths::findExecutable(*value, dirs);
    }
}

QString CSettingsPlace::seed(const QString &userFile, const QStringList &sources, const QString &searchPath)
{
    if (QFileInfo::exists(userFile))
        return {};
    for (const QString &source : sources) {
        CSettings defaults;
        if (source.isEmpty() || !QFileInfo(source).isFile() || !CConfigFile::read(source, defaults))
            continue;
        resolveOnPath(defaults, searchPath);
        const QString folder = QFileInfo(userFile).path();
        if (!QDir().mkpath(folder))
            return QStringLiteral("cannot make the folder %1").arg(folder);
        QString why;
        CConfigFile::write(userFile, defaults, &why);
        return why;
    }
    return {};
}
