#pragma once

#include <QString>

#include <vector>

struct CPredefinedVariable
{
    const char *symbol;
    const char *english;       // empty when the variable has no English name
    const char *description;
};

// Perl's predefined variables as the "Special " list shows them, in order.
class CPredefinedVariables
{
public:
    static const std::vector<CPredefinedVariable> &table();
    // "Symbol", "English", "Description".
    static QStringList columnTitles();
};
