#pragma once

#include "CSyntaxChoice.h"

#include <QColor>

class QFont;
class QObject;
class QsciLexer;

// The editor's light, calm colour scheme and the lexers that use it. Every
// style of a lexer is drawn in one font, the editor font, so that the font
// settings apply to coloured text as to plain text.
class CSyntaxColours
{
public:
    // A lexer for `language` in this scheme; null for Plain.
    static QsciLexer *makeLexer(CSyntaxChoice::Language language, QObject *parent);
    static void applyFont(QsciLexer &lexer, const QFont &font);

    static QColor paper() { return QColor(0xFC, 0xFC, 0xFA); }
    static QColor text() { return QColor(0x2B, 0x2B, 0x2B); }
    static QColor marginPaper() { return QColor(0xF0, 0xF0, 0xEC); }
    static QColor marginText() { return QColor(0x90, 0x90, 0x8A); }
};
