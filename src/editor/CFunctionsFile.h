#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// One line of the functions list: what the "Function", "Description" and
// "Code Template" columns show.
struct CPerlFunction
{
    QString name;
    QString description;
    QString codeTemplate;

    bool operator==(const CPerlFunction &) const = default;
};

// The functions list file OSTRAK.FNL: UTF-8 text, one function per line,
// "name,description,template". The template runs to the end of the line and
// may hold commas; there is no quoting and no comment line.
class CFunctionsFile
{
public:
    // The row of one line (without its line end). No row for a line without
    // a comma or starting with one. A line with a single comma has an empty
    // description and the whole line as its template.
    static std::optional<CPerlFunction> parseLine(const QString &line);
    // Every row of a file's contents; LF and CR LF line ends alike.
    static QList<CPerlFunction> parse(const QByteArray &contents);
    // The rows of the file at `path`; nothing when it cannot be opened.
    static std::optional<QList<CPerlFunction>> read(const QString &path);
};
