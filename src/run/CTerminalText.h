#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <QTextCharFormat>

#include <limits>
#include <vector>

// How a piece of terminal text looks: the colours and attributes that SGR
// sequences set, and whether the user typed it.
struct CTerminalStyle
{
    enum Flag : quint8 { Bold = 1, Faint = 2, Italic = 4, Underline = 8, Inverse = 16, Input = 32 };
    static constexpr qint32 DefaultColour = -1;
    static constexpr qint32 TrueColour = 0x1000000;   // | 0xRRGGBB

    qint32 foreground = DefaultColour;   // 0-255 palette index, TrueColour | rgb, or default
    qint32 background = DefaultColour;
    quint8 flags = 0;

    bool operator==(const CTerminalStyle &) const = default;
    bool isPlain() const { return *this == CTerminalStyle(); }

    // The colour of a palette index (the 16 standard colours, the 6x6x6 cube, the grey ramp).
    static QColor paletteColour(int index);
    // The format of text in this style on a pane with the given colours; a
    // plain style gives an empty format, so the pane's own look applies.
    QTextCharFormat charFormat(const QColor &paneText, const QColor &paneBase, const QColor &input) const;
};

struct CTextRun
{
    QString text;
    CTerminalStyle style;
    bool operator==(const CTextRun &) const = default;
};

// Turns the text a terminal program writes into what a pane shows: SGR
// colours and attributes become styled runs; carriage return, backspace and
// the cursor-column and erase sequences overwrite the open line; modes,
// titles and every other escape sequence are dropped, also when cut between
// two pieces of text; BEL and the other control characters show nothing.
// A zero byte shows as U+2400. Completed lines are handed out once; the open
// line (a prompt) stays open for later overwriting. A line longer than the
// wrap column continues on a new line, as a terminal wraps it.
class CTerminalText
{
public:
    static constexpr int DefaultWrapColumn = 16384;

    void setWrapColumn(int column) { m_wrapColumn = std::max(1, column); }

    void feed(QStringView text);
    // Text the user typed, shown in the input style; only line feeds act.
    void feedInput(QStringView text);
    // Forgets the open line (the pane that shows it was emptied).
    void clearLine();

    // The completed lines since the last call, each ending in '\n', as runs;
    // neighbouring runs of one style are joined.
    QList<CTextRun> takeCommitted();
    qsizetype committedChars() const { return m_committedChars; }

    // The open line as runs.
    QList<CTextRun> openLine() const;
    qsizetype openLineLength() const { return m_line.size(); }
    static constexpr qsizetype NoChange = std::numeric_limits<qsizetype>::max();
    // The first column of the open line that changed since clearChanged(),
    // NoChange when nothing did; 0 after a line was completed.
    qsizetype changedFrom() const { return m_changedFrom; }
    void clearChanged() { m_changedFrom = NoChange; }

private:
    enum State { Ground, Escape, EscapeIntermediate, Csi, ControlString };

    void control(char16_t c);
    void put(QStringView chars, const CTerminalStyle &style);
    // Styles `overwrite` cells from `at` and `insert` new ones after them; before the text changes.
    void styleCells(qsizetype at, qsizetype overwrite, qsizetype insert, const CTerminalStyle &style);
    void commit(QStringView text, const CTerminalStyle &style);
    void newLine();
    void escapeFinal(char16_t c);
    void csiFinal(char16_t c);
    void sgr();
    int param(int index, int fallback) const;
    void markChanged(qsizetype column) { m_changedFrom = std::min(m_changedFrom, column); }
    void eraseCells(qsizetype from, qsizetype to);

    State m_state = Ground;
    QChar m_private;               // CSI private marker ('?', '>', ...)
    bool m_intermediate = false;
    std::vector<int> m_params;     // -1: omitted
    std::vector<bool> m_sub;       // the parameter came after a colon

    CTerminalStyle m_style;
    QString m_line;
    bool m_uniform = true;                     // every cell in m_uniformStyle
    CTerminalStyle m_uniformStyle;
    std::vector<CTerminalStyle> m_lineStyles;  // one per cell, once the line is not uniform
    qsizetype m_column = 0;
    qsizetype m_changedFrom = 0;
    int m_wrapColumn = DefaultWrapColumn;

    QList<CTextRun> m_committed;
    qsizetype m_committedChars = 0;
};
