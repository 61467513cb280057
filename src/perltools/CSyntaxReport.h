#pragma once

#include "CDiagnostic.h"
#include "CToolRun.h"

#include <QList>
#include <QString>

// What one syntax check found: the messages that name lines of the script,
// in order. A message that names no line of the script (an error inside a
// module it loads) is joined to the next one that does ("Compilation failed
// in require at ... line 2"); one left over after a failed check stands at
// line 1, so that a failure is never shown as a clean script.
class CSyntaxReport
{
public:
    // `name` is the name the check's messages give the script.
    static QList<CDiagnostic> parse(const CToolResult &result, const QString &name);
    // The status bar's text for a check: the summary, or why it gave no answer.
    static QString status(const CToolResult &result, const QList<CDiagnostic> &diagnostics);
};
