#pragma once

#include <QString>

// The editor's display choices of the View menu, kept per user in the
// user settings (QSettings "HALDEN", "Ostrak"), not in Ostrak.cfg. Colouring,
// line numbers and indentation guides are on, reopening the last script off,
// until the user turns them over.
class CViewPreferences
{
public:
    static bool syntaxColouring();
    static void setSyntaxColouring(bool on);
    static bool lineNumbers();
    static void setLineNumbers(bool on);
    static bool reopenLastScript();
    static void setReopenLastScript(bool on);

    // The script open when the program last ended, and its caret line (from 1).
    struct LastScript
    {
        QString path;
        int line = 1;
    };
    static LastScript lastScript();
    static void setLastScript(const LastScript &script);
    // The syntax check while typing; on until turned off.
    static bool syntaxCheck();
    static void setSyntaxCheck(bool on);
    // The perlcritic severity of Script > Critic, 1 to 5; 4 until set.
    static int criticSeverity();
    static void setCriticSeverity(int severity);
    static bool indentationGuides();
    static void setIndentationGuides(bool on);
};
