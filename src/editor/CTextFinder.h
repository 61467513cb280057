#pragma once

#include <QString>

class QsciScintillaBase;

// What to look for: the text typed into Find, and how to match it.
struct CSearchOptions
{
    QString pattern;
    bool matchCase = false;
    bool wholeWord = false;
    bool regularExpression = false;   // ECMAScript syntax: \d, \w, \s, (a|b), lazy quantifiers
};

// Searches an editor's text from the selection, forwards or backwards, and
// goes round the end of the text once. A match is selected and made visible,
// inside a folded block too.
class CTextFinder
{
public:
    enum Result { Found, FoundAfterWrap, NotFound, BadPattern };

    explicit CTextFinder(QsciScintillaBase *editor);

    Result find(const CSearchOptions &options, bool backwards);
    // Replaces the selection when it is a match (with \1..\9 filled in for
    // a regular expression), then finds the next one.
    Result replace(const CSearchOptions &options, const QString &replacement, bool backwards);
    // Every match from the start, as one undoable step; -1 for a bad pattern.
    int replaceAll(const CSearchOptions &options, const QString &replacement);

    // The note for the status bar after a search.
    static QString note(Result result, const CSearchOptions &options, bool backwards);
    static bool isValid(const CSearchOptions &options);

private:
    // The match in [from, to) (backwards when from > to): its start, or -1
    // when there is none, -2 for a bad pattern; the match is the target.
    long search(const CSearchOptions &options, long from, long to) const;
    long targetEnd() const;
    void select(long start, long end);

    QsciScintillaBase *m_editor;
};
