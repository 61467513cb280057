#pragma once

#include "editor/CEditorMarks.h"
#include "CPerlDebugSession.h"

#include <QHash>
#include <QObject>

class QsciScintilla;

// The breakpoints of the open script and the current-line marker, kept as
// editor markers so that they move with the text when lines are inserted
// or deleted above them. A click in the breakpoint margin toggles one; its
// context menu sets a condition.
class CBreakpointMargin : public QObject
{
    Q_OBJECT

public:
    static constexpr int Margin = CEditorMarks::BreakpointMargin;
    static constexpr int BreakpointMarker = CEditorMarks::BreakpointMarker;
    static constexpr int ConditionalMarker = CEditorMarks::ConditionalBreakpointMarker;
    static constexpr int CurrentLineMarker = CEditorMarks::CurrentLineMarker;
    static constexpr int CurrentLineBackground = CEditorMarks::CurrentLineBackground;

    explicit CBreakpointMargin(QsciScintilla *editor);

    // Lines from 1.
    bool hasBreakpoint(int line) const;
    void toggle(int line);
    // Sets (or, with an empty condition, clears) a breakpoint's condition;
    // adds the breakpoint when there is none.
    void setCondition(int line, const QString &condition);
    QString condition(int line) const;
    // Moves a breakpoint (the debugger took the next breakable line).
    void move(int from, int to);
    void clear();
    // Where the breakpoints are now, for the file `path`.
    QList<CDebugBreakpoint> breakpoints(const QString &path) const;

    // 0 removes the marker.
    void setCurrentLine(int line);
    int currentLine() const;

signals:
    void added(int line, const QString &condition);
    void removed(int line);

private:
    void onMarginClicked(int margin, int line, Qt::KeyboardModifiers modifiers);
    int handleAt(int line) const;
    void place(int line, const QString &condition);

    QsciScintilla *m_editor;
    QHash<int, QString> m_conditions;   // by marker handle
    int m_currentHandle = -1;
    int m_currentBackgroundHandle = -1;
};
