#pragma once

// The editor's display choices of the View menu, kept per user in the
// user settings (QSettings "HALDEN", "Ostrak"), not in Ostrak.cfg. Both are
// on until the user turns them off.
class CViewPreferences
{
public:
    static bool syntaxColouring();
    static void setSyntaxColouring(bool on);
    static bool lineNumbers();
    static void setLineNumbers(bool on);
};
