#pragma once

#include <QList>
#include <QString>

// One message of a Perl tool about a line of the script.
struct CDiagnostic
{
    enum Severity { Error, Warning };
    int line = 0;   // from 1
    Severity severity = Error;
    QString message;

    friend bool operator==(const CDiagnostic &, const CDiagnostic &) = default;
};

// The status bar's summary: "2 errors, 1 warning", "No errors".
QString diagnosticSummary(const QList<CDiagnostic> &diagnostics);
