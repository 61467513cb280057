#pragma once

// The editor's display choices of the View menu, kept per user in the
// user settings (QSettings "HALDEN", "Ostrak"), not in Ostrak.cfg. Each is
// on until the user turns it off.
class CViewPreferences
{
public:
    static bool syntaxColouring();
    static void setSyntaxColouring(bool on);
    static bool lineNumbers();
    static void setLineNumbers(bool on);
    static bool indentationGuides();
    static void setIndentationGuides(bool on);
};
