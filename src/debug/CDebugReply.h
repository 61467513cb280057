#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

// Where the debugged program stands: a file as the debugger names it and a
// line (1-based); the function is "main" at the top level.
struct CDebugLocation
{
    QString function;
    QString file;
    int line = 0;

    bool isValid() const { return line > 0; }
    bool operator==(const CDebugLocation &) const = default;
};

// One frame of the call stack, innermost first. `call` is the sub with its
// arguments as the debugger shows them ("main::foo(1)"); empty at the top level.
struct CDebugFrame
{
    CDebugLocation location;
    QString call;
};

// Reading the text the Perl debugger sends back over its socket: when a
// reply is complete, where the program stopped, the stack, and the JSON
// blocks that the editor's own debugger expressions print.
class CDebugReply
{
public:
    // The reply ends with the debugger's prompt ("  DB<12> ", nested "DB<<3>> ").
    static bool isComplete(const QByteArray &text);
    // The reply without the trailing prompt.
    static QString withoutPrompt(const QString &text);
    // The first "pkg::sub(FILE:LINE):" line of the reply; invalid when none.
    static CDebugLocation location(const QString &text);
    // The program has ended and the debugger waits only for q or R.
    static bool isTerminated(const QString &text);
    // "Line 12 not breakable." and the like: the number, 0 when absent.
    static int notBreakableLine(const QString &text);
    // The stack from the reply to `T`, with `top` (the current location) as
    // the first frame; the debugger's own frame is left out.
    static QList<CDebugFrame> stack(const QString &text, const CDebugLocation &top);
    // The JSON object printed between the editor's markers; `found` false
    // when there is none or it does not parse.
    static QJsonObject jsonBlock(const QString &text, bool *found = nullptr);
    // The reply with the JSON block taken out (what else the expression printed).
    static QString withoutJsonBlock(const QString &text);

    static QString jsonBegin() { return QStringLiteral("<<OSTRAK-JSON\n"); }
    static QString jsonEnd() { return QStringLiteral("\nOSTRAK-JSON>>"); }
};
