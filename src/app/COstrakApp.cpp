#include "COstrakApp.h"

#include "CConfigFile.h"
#include "CSettingsPlace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
COstrakApp *g_instance = nullptr;
}

COstrakApp::COstrakApp(const QString &programDir, QObject *parent)
    : QObject(parent)
    , m_programDir(programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir)
    , m_layout(m_programDir, programDir.isEmpty())
    , m_configPath(CSettingsPlace::choose(
          m_programDir, QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)))
{
    Q_ASSERT(!g_instance);
    g_instance = this;
}

COstrakApp::~COstrakApp()
{
    if (g_instance == this)
        g_instance = nullptr;
}

COstrakApp *COstrakApp::instance()
{
    return g_instance;
}

QString COstrakApp::dataFile(const QString &name) const
{
    return m_layout.dataFile(name);
}

bool COstrakApp::ReadConfiguration()
{
    const QString beside = QDir(m_programDir).filePath(CSettingsPlace::fileName());
    if (m_configPath != beside) {
        // A file an administrator left beside a read-only program folder
        // comes before the shipped defaults. Failures stay silent, as for
        // any unreadable settings file; saving names the file and the reason.
        CSettingsPlace::seed(m_configPath, {beside, m_layout.sharedDataFile(CSettingsPlace::fileName())},
                             qEnvironmentVariable("PATH"));
    }
    if (!CConfigFile::read(configPath(), m_settings))
        return false;
    m_workingDir = m_settings.LOCAL_DIRECTORY;
    return true;
}

bool COstrakApp::WriteConfiguration(const CSettings &values, QString *why)
{
    // The user's HALDEN folder is missing when there were no defaults to start from.
    QDir().mkpath(QFileInfo(m_configPath).path());
    return CConfigFile::write(configPath(), values, why);
}

QString COstrakApp::saveSettings(const CSettings &values)
{
    setRunInDosWindow(values.runInDosWindow() ? QStringLiteral("Y") : QStringLiteral("N"));
    QString why;
    if (!WriteConfiguration(values, &why))
        return why.isEmpty() ? QStringLiteral("unknown failure") : why;
    ReadConfiguration();
    emit settingsChanged();
    return {};
}

bool COstrakApp::FileExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo::exists(path);
}

COstrakApp::FtpTransferType COstrakApp::GetFtpTransferType(const QString &fileName)
{
    static const char *const asciiEndings[] = {".java", ".pl", ".cgi", ".txt", ".cpp",
                                               ".htm", ".html", ".conf", ".c"};
    for (const char *ending : asciiEndings) {
        if (fileName.endsWith(QLatin1String(ending), Qt::CaseSensitive))
            return FtpAscii;
    }
    return FtpBinary;
}

void COstrakApp::setEditorFont(const QFont &font)
{
    m_editorFont = font;
    emit editorFontChanged(font);
}

void COstrakApp::setCaretPosition(int line, int column)
{
    if (line == m_caretLine && column == m_caretColumn)
        return;
    m_caretLine = line;
    m_caretColumn = column;
    emit caretPositionChanged(line, column);
}
