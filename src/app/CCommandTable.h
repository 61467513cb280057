#pragma once

#include "CommandIds.h"

#include <QKeySequence>
#include <QList>
#include <QString>

#include <vector>

// Every command's menu text and its string: a status-bar prompt and, after a
// "\n", a tool tip. Menus, toolbars and status prompts are built from here.
struct CCommand
{
    int id;
    const char *menuText;   // empty for commands without a menu entry
    const char *string;     // "prompt\ntip"; no "\n" means no tool tip

    QString text() const { return QString::fromUtf8(menuText); }
    QString prompt() const;
    QString tip() const;
    bool hasTip() const;
};

// One item of a menu: a command, a separator, a submenu or the recent-file list.
struct CMenuItem
{
    enum Kind { Command, Separator, Submenu, RecentFiles };
    Kind kind;
    int id = 0;                          // Command
    const char *title = nullptr;         // Submenu
    std::vector<CMenuItem> items = {};   // Submenu
};

struct CMenu
{
    const char *title;
    std::vector<CMenuItem> items;
};

class CCommandTable
{
public:
    static const std::vector<CCommand> &commands();
    static const CCommand *find(int id);
    static const std::vector<CMenu> &menus();
    static QList<QKeySequence> accelerators(int id);

    // Toolbar buttons in order; 0 stands for a separator.
    static const std::vector<int> &mainToolbar();
    static const std::vector<int> &scriptingToolbar();
    static const std::vector<int> &operatorsToolbar();
};
