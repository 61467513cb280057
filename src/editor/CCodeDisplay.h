#pragma once

#include "CEditorMarks.h"

class QsciLexer;
class QsciScintilla;

// What the editor shows beside the text itself: the brace that matches the
// one at the caret, the caret's line, fold markers for blocks and POD, and
// indentation guides. Scintilla folds and unfolds by itself (margin clicks,
// a fold header that stops being one), so folding needs none of the
// modification notifications the editor turns off.
class CCodeDisplay
{
public:
    static void apply(QsciScintilla &editor);
    // Fold options of a new lexer, set before the editor gets it.
    static void prepareLexer(QsciLexer &lexer);
    // After every change of lexer: styles it reset, and the fold margin,
    // shown only while a lexer computes the fold levels.
    static void followLexer(QsciScintilla &editor, bool hasLexer);
    // The margin that holds the fold markers.
    static constexpr int kFoldMargin = CEditorMarks::FoldMargin;
};
