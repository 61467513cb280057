#pragma once

#include <Qsci/qsciscintilla.h>

#include "CSyntaxChoice.h"

#include <QByteArray>
#include <QFont>

class COstrakApp;
class QsciLexer;

// The editor view: the one script's text, kept as raw bytes (any line ends,
// invalid UTF-8 and NUL bytes survive a load and a save unchanged), with the
// typing aids: Tab that may insert spaces, the Home cycle, indentation after
// Enter and the caret position report.
//
// Without an assistive technology the view asks for no SCN_MODIFIED
// notifications of inserted or deleted text (they cost time proportional to
// the caret's offset in the document), only for fold level changes, so
// `textChanged` is not emitted for typing; watch `modificationChanged`.
class COstrakView : public QsciScintilla
{
    Q_OBJECT

public:
    explicit COstrakView(QWidget *parent = nullptr);

    QByteArray bytes() const;
    // Replaces the whole text; clears the undo history when `resetUndo`.
    void setBytes(const QByteArray &bytes, bool resetUndo = true);
    // A script loaded (New, Open): its text, with the colouring its path and
    // first line call for chosen while the editor is empty. Setting a lexer
    // styles the whole text at once, which costs half a second for 10 MB;
    // chosen first, only the part shown is ever styled.
    void loadText(const QByteArray &bytes, const QString &path);
    qsizetype byteLength() const;

    // Replaces the selection by `bytes` as one undoable step.
    void replaceSelectionBytes(const QByteArray &bytes);
    QByteArray selectedBytes() const;
    // The line end of inserted text: that of the first line end, else LF.
    QByteArray documentLineEnd() const;

    // Runs at every New and Open: the editor font from VIEW_FONT, the tab
    // width and filler from TAB_SIZE, the caret position 1, 1.
    void OnInitialUpdate();
    // The font command: a font chosen here holds until the next New or Open.
    void OnViewFont();
    // A scripting or operator insertion command; false for an unknown id.
    bool OnInsertCode(int id);

    int tabWidth() const { return m_nTabWidth; }
    QByteArray tabFiller() const { return m_strTabFiller; }
    // The Qt key code of the last key pressed (0 before the first).
    int lastKey() const { return m_nLastKey; }

    // Syntax colouring and the line-number margin, kept across New and Open.
    void setSyntaxColouring(bool on);
    bool syntaxColouring() const { return m_colouring; }
    void setLineNumbers(bool on);
    bool lineNumbers() const { return m_lineNumbers; }
    // Chooses the colouring for the script at `path` (empty for a new one)
    // from its name and first line.
    void chooseSyntax(const QString &path);
    // The colouring in use: Plain while colouring is off.
    CSyntaxChoice::Language language() const { return m_language; }

    // Line `line` (from 1; past the end: the last line) selected, the caret
    // at its start, and scrolled into view.
    void showLine(int line);

    // The caret position as the status bar shows it: the line of the
    // selection start and the column of the selection end, both from 1.
    QPair<int, int> caretReport() const;
    // Tells the status bar where the caret is (after a command moved it).
    void reportCaretPosition();
    // The part of a line the typing aids look at: its first 1024 characters.
    static constexpr int kLineLimit = 1024;

    // `font` as the editor's styles take it: their sizes are in points, so a
    // pixel size becomes the point size that gives those pixels here.
    QFont styleFont(const QFont &font) const;
    // The displayed width of a tab character for a TAB_SIZE value of `columns`.
    static int displayedTabWidth(int columns);

signals:
    // The text is about to change (any change: keys, commands, undo, loads).
    void textEdited();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void applyFont(const QFont &font);
    void applyLexer();
    void applyMargins();
    void updateLineNumberWidth(bool force = false);
    void rebuildTabFiller();
    // A Tab key-down: the selection replaced by the tab filler (TAB_EXPAND
    // "Y") or by a tab character.
    void pressTab();
    // The first half of the Home key: the caret to the first non-blank
    // character of its line.
    void homeToFirstNonBlank();
    void autoIndent();
    // Inserts at the caret so that the text joins the undo step of the key
    // that caused it; a non-empty selection is replaced as one step.
    void insertJoined(const QByteArray &bytes);
    // The first kLineLimit characters of a line, without its line end.
    QByteArray lineHead(long line) const;
    void setEolModeFromDocument();

    COstrakApp *m_app;
    int m_nLastKey = 0;
    // An Enter key-down that this view handled put a line break in the text;
    // only its release indents.
    bool m_bEnterBroke = false;
    int m_nTabWidth = 0;
    QByteArray m_strTabFiller;
    QFont m_font;
    bool m_colouring = true;
    bool m_lineNumbers = true;
    CSyntaxChoice::Language m_chosen = CSyntaxChoice::Plain;
    CSyntaxChoice::Language m_language = CSyntaxChoice::Plain;
    QsciLexer *m_lexer = nullptr;
    int m_numberDigits = 0;
};
