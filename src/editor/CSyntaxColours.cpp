#include "CSyntaxColours.h"

#include <Qsci/qscilexerhtml.h>
#include <Qsci/qscilexerjava.h>
#include <Qsci/qscilexerperl.h>

#include <QFont>

namespace {

// Styles are coloured by what their lexer calls them, so that one table
// serves every language; the first matching word wins.
struct CStyleColour
{
    const char *word;
    QRgb colour;
};

constexpr CStyleColour kColours[] = {
    {"error", 0xB03A2E},    {"bad", 0xB03A2E},       {"comment", 0x6B8E6B},  {"pod", 0x6B8E6B},
    {"variable", 0x2E7D7A}, {"scalar", 0x2E7D7A},    {"array", 0x2E7D7A},    {"hash", 0x2E7D7A},
    {"symbol table", 0x2E7D7A}, {"string", 0x9A5B2F}, {"here document", 0x9A5B2F}, {"quoted", 0x9A5B2F},
    {"backtick", 0x9A5B2F}, {"regular expression", 0x9A5B2F}, {"substitution", 0x9A5B2F},
    {"translation", 0x9A5B2F}, {"number", 0x7B4F9E}, {"keyword", 0x2F5D9A}, {"tag", 0x2F5D9A},
    {"attribute", 0x8A6D1F}, {"entity", 0x8A6D1F},  {"data section", 0x6B8E6B},
};

void applyScheme(QsciLexer &lexer)
{
    lexer.setDefaultPaper(CSyntaxColours::paper());
    lexer.setDefaultColor(CSyntaxColours::text());
    lexer.setPaper(CSyntaxColours::paper(), -1);
    lexer.setColor(CSyntaxColours::text(), -1);
    for (int style = 0; style < 128; ++style) {
        const QString name = lexer.description(style).toLower();
        if (name.isEmpty())
            continue;
        for (const CStyleColour &c : kColours) {
            if (name.contains(QLatin1String(c.word))) {
                lexer.setColor(QColor::fromRgb(c.colour), style);
                break;
            }
        }
    }
}

} // namespace

QsciLexer *CSyntaxColours::makeLexer(CSyntaxChoice::Language language, QObject *parent)
{
    QsciLexer *lexer = nullptr;
    switch (language) {
    case CSyntaxChoice::Perl:
        lexer = new QsciLexerPerl(parent);
        break;
    case CSyntaxChoice::Java:
        lexer = new QsciLexerJava(parent);
        break;
    case CSyntaxChoice::Html:
        lexer = new QsciLexerHTML(parent);
        break;
    case CSyntaxChoice::Plain:
        return nullptr;
    }
    applyScheme(*lexer);
    return lexer;
}

void CSyntaxColours::applyFont(QsciLexer &lexer, const QFont &font)
{
    lexer.setDefaultFont(font);
    lexer.setFont(font, -1);
}
