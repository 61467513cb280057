#pragma once

#include <QString>

// In Browser is offered for documents saved under a name ending exactly in
// ".htm" or ".html" (case-sensitive); a never-saved document has no path.
class CInBrowserRule
{
public:
    static bool isEnabled(const QString &pathName);
};
