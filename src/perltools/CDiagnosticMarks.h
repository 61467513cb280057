#pragma once

#include "editor/CEditorMarks.h"
#include "CDiagnostic.h"

#include <QList>
#include <QObject>

class QsciScintilla;

// Messages about the script's lines shown in its editor: a squiggle under
// each line (red for errors, orange for warnings), a marker in the symbol
// margin, and the messages as a tool tip when the mouse rests on the line.
class CDiagnosticMarks : public QObject
{
    Q_OBJECT

public:
    static constexpr int ErrorIndicator = CEditorMarks::SyntaxErrorIndicator;
    static constexpr int WarningIndicator = CEditorMarks::SyntaxWarningIndicator;
    static constexpr int ErrorMarker = CEditorMarks::SyntaxErrorMarker;
    static constexpr int WarningMarker = CEditorMarks::SyntaxWarningMarker;
    static constexpr int SymbolMargin = CEditorMarks::SymbolMargin;

    explicit CDiagnosticMarks(QsciScintilla *editor);

    void show(const QList<CDiagnostic> &diagnostics);
    void clear() { show({}); }
    const QList<CDiagnostic> &diagnostics() const { return m_diagnostics; }

    // The first message after (or before) the caret's line, going round at
    // the end; the caret moves to its line. Null when there is none.
    const CDiagnostic *goToNext(bool forward);
    // The messages about one line (from 1), joined for a tool tip.
    QString messagesAt(int line) const;

private:
    void showToolTip(int position, int x, int y);

    QsciScintilla *m_editor;
    QList<CDiagnostic> m_diagnostics;   // by line
};
