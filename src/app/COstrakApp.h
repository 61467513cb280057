#pragma once

#include "CInstallLayout.h"
#include "CSettings.h"

#include <QFont>
#include <QObject>
#include <QString>

#include <optional>

// The values the whole program shares: the settings record, the program
// directory, the working directory, the editor font and the caret position.
// One instance exists per run; the windows reach it through instance().
class COstrakApp : public QObject
{
    Q_OBJECT

public:
    enum FtpTransferType { FtpAscii = 1, FtpBinary = 2 };

    // `programDir` is the folder holding Ostrak.cfg and OSTRAK.FNL; the
    // executable's folder when empty. Only the executable's own layout also
    // looks in the folders of the configured installation prefix.
    explicit COstrakApp(const QString &programDir = QString(), QObject *parent = nullptr);
    ~COstrakApp() override;

    static COstrakApp *instance();

    const CSettings &settings() const { return m_settings; }
    QString programDir() const { return m_programDir; }
    // The settings file in use: beside the executable when that folder can
    // take it, else the user's own (CSettingsPlace).
    QString configPath() const { return m_configPath; }
    // A data file of the program (OSTRAK.FNL), found as CInstallLayout says.
    QString dataFile(const QString &name) const;
    const CInstallLayout &layout() const { return m_layout; }

    // Reads the configuration file into the settings and resets the working
    // directory to LOCAL_DIRECTORY. False, changing nothing, when the file
    // cannot be opened. The user's own file is first made from the
    // installed defaults when it does not exist yet.
    bool ReadConfiguration();
    // Replaces the configuration file with the 30 values of `values`.
    // False, leaving the old file whole, when it cannot be written.
    bool WriteConfiguration(const CSettings &values, QString *why = nullptr);
    // The Options sheet's save: RUN_IN_DOS_WINDOW set at once, the file
    // written from `values` and read back, then settingsChanged. Returns why
    // the write failed; empty when it succeeded.
    QString saveSettings(const CSettings &values);
    // Sets RUN_IN_DOS_WINDOW directly, as the Options command does before it saves.
    void setRunInDosWindow(const QString &value) { m_settings.RUN_IN_DOS_WINDOW = value; }
    // The FTP login and the server directory the browser changed to, kept in
    // memory only; the configuration file changes when the Options are saved.
    void setFtpLogin(const QString &user, const QString &password)
    {
        m_settings.FTP_USER_NAME = user;
        m_settings.FTP_USER_PASS = password;
    }
    void setRemoteDirectory(const QString &dir) { m_settings.REMOTE_DIRECTORY = dir; }

    static bool FileExists(const QString &path);
    static FtpTransferType GetFtpTransferType(const QString &fileName);

    QString workingDirectory() const { return m_workingDir; }
    void setWorkingDirectory(const QString &dir) { m_workingDir = dir; }

    // Empty until the editor view first builds it from VIEW_FONT.
    const std::optional<QFont> &editorFont() const { return m_editorFont; }
    void setEditorFont(const QFont &font);

    int caretLine() const { return m_caretLine; }
    int caretColumn() const { return m_caretColumn; }
    void setCaretPosition(int line, int column);

signals:
    void caretPositionChanged(int line, int column);
    void editorFontChanged(const QFont &font);
    // The settings were written and read back: windows that keep values
    // derived from them take them again.
    void settingsChanged();

private:
    CSettings m_settings;
    QString m_programDir;
    CInstallLayout m_layout;
    QString m_configPath;
    QString m_workingDir;
    std::optional<QFont> m_editorFont;
    int m_caretLine = 0;
    int m_caretColumn = 0;
};
