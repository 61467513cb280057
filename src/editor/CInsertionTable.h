#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// What one scripting or operator button puts into the script: either a fixed
// text that replaces the selection, or a prefix and a suffix that wrap it.
// Texts are written with CR LF line ends; text() converts them to the
// document's own line end.
struct CInsertion
{
    int id;
    const char *label;       // short face of the button, as the operator is written
    const char *fixedText;   // nullptr for a wrapper
    const char *prefix;      // wrapper only
    const char *suffix;      // wrapper only

    bool wraps() const { return fixedText == nullptr; }
    QString buttonLabel() const { return QString::fromUtf8(label); }
    // The bytes that replace the selection `selected` in a document whose
    // line end is `lineEnd`.
    QByteArray text(const QByteArray &selected, const QByteArray &lineEnd) const;
};

class CInsertionTable
{
public:
    // The 11 block templates and statements, in the order of their toolbar.
    static const std::vector<CInsertion> &scripting();
    // The 44 operators, in the order of their palette.
    static const std::vector<CInsertion> &operators();
    static const CInsertion *find(int id);
};
