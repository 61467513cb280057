#include "CCodeDisplay.h"

#include "CSyntaxColours.h"

#include <Qsci/qscilexercpp.h>
#include <Qsci/qscilexerhtml.h>
#include <Qsci/qscilexerperl.h>
#include <Qsci/qsciscintilla.h>

namespace {

using Sci = QsciScintillaBase;

const QColor kCaretLine(0xEE, 0xF1, 0xF6);
const QColor kBraceMatch(0xC9, 0xE4, 0xC3);
const QColor kBraceBad(0xB0, 0x3A, 0x2E);
const QColor kGuide(0xD4, 0xD4, 0xCC);

} // namespace

void CCodeDisplay::apply(QsciScintilla &editor)
{
    editor.setBraceMatching(QsciScintilla::SloppyBraceMatch);
    editor.setCaretLineVisible(true);
    editor.setCaretLineBackgroundColor(kCaretLine);
    editor.SendScintilla(Sci::SCI_SETAUTOMATICFOLD,
                         static_cast<unsigned long>(Sci::SC_AUTOMATICFOLD_SHOW | Sci::SC_AUTOMATICFOLD_CLICK
                                                    | Sci::SC_AUTOMATICFOLD_CHANGE));
    followLexer(editor, false);
}

void CCodeDisplay::prepareLexer(QsciLexer &lexer)
{
    if (auto *perl = qobject_cast<QsciLexerPerl *>(&lexer)) {
        perl->setFoldCompact(false);
        perl->setFoldComments(true);
        perl->setFoldPODBlocks(true);
        perl->setFoldPackages(false);
    } else if (auto *cpp = qobject_cast<QsciLexerCPP *>(&lexer)) {
        cpp->setFoldCompact(false);
        cpp->setFoldComments(true);
    } else if (auto *html = qobject_cast<QsciLexerHTML *>(&lexer)) {
        html->setFoldCompact(false);
    }
}

void CCodeDisplay::followLexer(QsciScintilla &editor, bool hasLexer)
{
    // Scintilla's own margin clicks (automatic folding) replace the widget's.
    editor.setFolding(hasLexer ? QsciScintilla::BoxedTreeFoldStyle : QsciScintilla::NoFoldStyle, kFoldMargin);
    editor.SendScintilla(Sci::SCI_SETMARGINSENSITIVEN, static_cast<unsigned long>(kFoldMargin), hasLexer ? 1L : 0L);
    editor.setFoldMarginColors(CSyntaxColours::marginPaper(), CSyntaxColours::marginPaper());
    editor.setMatchedBraceBackgroundColor(kBraceMatch);
    editor.setMatchedBraceForegroundColor(CSyntaxColours::text());
    editor.setUnmatchedBraceForegroundColor(kBraceBad);
    editor.setUnmatchedBraceBackgroundColor(CSyntaxColours::paper());
    editor.setIndentationGuidesForegroundColor(kGuide);
    editor.setIndentationGuidesBackgroundColor(CSyntaxColours::paper());
}
