#pragma once

#include <QObject>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>

class CLiveSyntaxCheck;
class CMainFrame;
class COutlinePanel;
class CCriticPanel;
class QLabel;

// The commands built on Perl's own tools: the syntax check while typing
// (View switch, F8 and Shift+F8, its pane in the status bar), Edit > Tidy
// F1's Perl documentation, the Outline panel and Script > Critic.
class CPerlToolsCommands : public QObject
{
    Q_OBJECT

public:
    static CPerlToolsCommands *install(CMainFrame &frame);

    CLiveSyntaxCheck *syntaxCheck() const { return m_check; }
    QString syntaxPaneText() const;
    COutlinePanel *outline() const { return m_outline; }
    CCriticPanel *critic() const { return m_critic; }

    // F1: the documentation of the word at the caret in a browser window.
    void OnPerlHelp();
    // The documentation of a name from the Perl functions list.
    void showFunctionHelp(const QString &name);
    // Edit > Tidy: the selection, or the whole script, as one undo step.
    void OnTidy();
    // Script > Critic at the severity of the Options sheet's Perl page.
    void OnCritic();
    // The page F1 showed last; empty before the first.
    QString lastHelpPage() const { return m_lastHelpPage; }
    void setBrowserProgram(const QString &program) { m_browserProgram = program; }
    void setToolProgram(const QString &tool, const QString &program) { m_programs.insert(tool, program); }

private:
    explicit CPerlToolsCommands(CMainFrame &frame);
    QString program(const QString &tool) const { return m_programs.value(tool, tool); }
    // Tells once per session that a tool is not installed.
    void reportMissing(const QString &tool, const QString &message);
    void showError(const QString &text);
    void showHelp(const QString &word, bool function);
    // Tells why a tool's run failed (a missing tool once); false when it did not.
    template <typename Result>
    bool reportFailure(const QString &tool, const Result &result, const QString &lead);

    CMainFrame &m_frame;
    CLiveSyntaxCheck *m_check = nullptr;
    QLabel *m_syntaxPane = nullptr;
    COutlinePanel *m_outline = nullptr;
    CCriticPanel *m_critic = nullptr;
    QTemporaryDir m_helpDir;
    QString m_lastHelpPage;
    QString m_browserProgram;
    QHash<QString, QString> m_programs;
    QSet<QString> m_toldMissing;
};
