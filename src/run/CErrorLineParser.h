#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// One line of output that names a line of the script.
struct CErrorLink
{
    qsizetype start = 0;   // position of the line's first character in the stream
    qsizetype length = 0;  // without the line end
    int line = 0;          // counted from 1

    friend bool operator==(const CErrorLink &, const CErrorLink &) = default;
};

// Finds the lines of an interpreter's or compiler's output that point into
// the script: Perl's "... at PATH line N." (also "line N, near ..." and
// "line N, <STDIN> line M."), javac's "PATH:N: error: ...". PATH is the
// script's full path, or a path relative to the script's folder such as its
// bare name; lines that name any other file are not links. Paths are
// compared as text, so no file is looked at.
class CErrorLineParser
{
public:
    static constexpr qsizetype MaxLineLength = 64 * 1024;
    // The kernel opens no longer path, so no script that ran has a longer name.
    static constexpr qsizetype MaxPathLength = 4096;

    explicit CErrorLineParser(const QString &scriptPath = QString());

    // The script's line that one output line (without its line end) names; 0 when none.
    int lineNumber(QStringView line) const;

    // Text as it is appended to a stream, starting at `position`: the links
    // among the lines it completes. A line cut between two calls is joined;
    // a line longer than MaxLineLength is never a link.
    QList<CErrorLink> feed(QStringView text, qsizetype position);

private:
    // Whether the text from one of `starts` (ascending) to `end` is the
    // script's path; `slashes` are the positions of the line's "/".
    bool namesScript(QStringView line, qsizetype end, const QList<qsizetype> &starts,
                     const QList<qsizetype> &slashes) const;
    void examine(QStringView line, qsizetype start, QList<CErrorLink> &links) const;

    QString m_path;
    QString m_folder;
    QString m_name;
    QStringList m_segments;   // of m_path
    // The unfinished last line of the text fed so far.
    QString m_partial;
    qsizetype m_partialStart = 0;
    bool m_partialTooLong = false;
};
