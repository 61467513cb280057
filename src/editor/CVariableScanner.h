#pragma once

#include <QByteArray>

#include <vector>

// One occurrence found by the scan: the name is the `length` bytes of the
// script text starting at `offset` (sigil first), `line` counts from 1.
struct CVariableRow
{
    qint64 offset = 0;
    qint32 line = 0;
    qint32 length = 0;

    bool operator==(const CVariableRow &) const = default;
};

// The character scan behind the variable lists. It knows nothing of Perl's
// strings or comments: a sigil starts a name, and the first character that
// is neither the sigil, a letter, a digit, white space nor "_" ends it. White
// space does not end a name, so "$count = 1" yields "$count " and the row
// takes the line of the character that ended the name.
class CVariableScanner
{
public:
    static constexpr int kMaxNameLength = 24;

    // Every occurrence of a name of 1 to 24 characters that starts with
    // `sigil`, in the order of the text, duplicates included. A longer run is
    // never listed; it is dropped at its ending character and the scan goes on.
    static std::vector<CVariableRow> scan(const char *text, qint64 size, char sigil);
    static std::vector<CVariableRow> scan(const QByteArray &text, char sigil)
    {
        return scan(text.constData(), text.size(), sigil);
    }

    // The sigil of a list kind: 0 "$", 1 "@", 2 "%"; 0 for any other kind.
    static char sigilOfKind(int kind);
};
