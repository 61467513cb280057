#pragma once

#include "CDiagnosticMarks.h"
#include "CSyntaxChecker.h"

#include <QObject>

#include <functional>

class COstrakView;

// The syntax check while typing, joined to the editor: every change of the
// text starts the checker's pause, and what a check finds is shown on the
// script's lines. Java sources are not checked (they keep Compile).
class CLiveSyntaxCheck : public QObject
{
    Q_OBJECT

public:
    // `path` gives the script's path (empty for a new script), `perl` the
    // interpreter's program and, when there is none, why.
    CLiveSyntaxCheck(COstrakView *view, std::function<QString()> path,
                     std::function<std::pair<QString, QString>()> perl);

    void setEnabled(bool on);
    bool isEnabled() const { return m_checker.isEnabled(); }
    // Checks the text as it is now, after the pause (the script was loaded or renamed).
    void scriptChanged();
    // F8 and Shift+F8: the caret to the next or previous message; its text, or why there is none.
    QString goToNext(bool forward);

    CSyntaxChecker &checker() { return m_checker; }
    CDiagnosticMarks &marks() { return m_marks; }
    QString status() const { return m_status; }

    static QString switchTip();

signals:
    void statusChanged(const QString &status);

private:
    void setStatus(const QString &status);

    COstrakView *m_view;
    std::function<QString()> m_path;
    std::function<std::pair<QString, QString>()> m_perl;
    CSyntaxChecker m_checker;
    CDiagnosticMarks m_marks;
    QString m_status;
};
