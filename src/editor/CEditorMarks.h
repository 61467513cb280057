#pragma once

// Every margin, marker and indicator number that the tools beside the editor
// use, in one place: markers are shared by the whole document, so two tools
// with the same number would show, and clear, each other's marks.
struct CEditorMarks
{
    // Margins, left to right after the line numbers (margin 0).
    static constexpr int SymbolMargin = 1;        // syntax messages, critic findings
    static constexpr int FoldMargin = 2;
    static constexpr int BreakpointMargin = 3;

    static constexpr int SyntaxErrorMarker = 16;
    static constexpr int SyntaxWarningMarker = 17;
    static constexpr int CriticFindingMarker = 18;
    static constexpr int BreakpointMarker = 20;
    static constexpr int ConditionalBreakpointMarker = 21;
    static constexpr int CurrentLineMarker = 22;
    static constexpr int CurrentLineBackground = 23;

    static constexpr int SyntaxErrorIndicator = 10;
    static constexpr int SyntaxWarningIndicator = 11;
};

// The fold margin's symbols take markers 25 to 31.
static_assert(CEditorMarks::CurrentLineBackground < 25);
