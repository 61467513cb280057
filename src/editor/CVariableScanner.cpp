#include "CVariableScanner.h"

#include <array>

namespace {

// Characters that neither start nor end a name: ASCII letters, digits, "_"
// and the white space of the C locale (blank, tab, CR, LF, VT, FF).
constexpr std::array<bool, 256> makeNameCharacters()
{
    std::array<bool, 256> table{};
    for (int c = 'a'; c <= 'z'; ++c)
        table[c] = true;
    for (int c = 'A'; c <= 'Z'; ++c)
        table[c] = true;
    for (int c = '0'; c <= '9'; ++c)
        table[c] = true;
    for (char c : {' ', '\t', '\r', '\n', '\v', '\f', '_'})
        table[static_cast<unsigned char>(c)] = true;
    return table;
}

constexpr std::array<bool, 256> kNameCharacter = makeNameCharacters();

} // namespace

std::vector<CVariableRow> CVariableScanner::scan(const char *text, qint64 size, char sigil)
{
    std::vector<CVariableRow> rows;
    qint64 line = 1;
    qint64 start = 0;
    qint64 length = 0;   // 0: no name pending
    for (qint64 i = 0; i < size; ++i) {
        const char ch = text[i];
        if (ch == '\n')
            ++line;
        if (ch == sigil) {
            if (length == 0)
                start = i;
            ++length;
        } else if (length > 0) {
            if (kNameCharacter[static_cast<unsigned char>(ch)]) {
                ++length;
            } else {
                // The ending character itself is not part of the name. A run
                // that grew past the limit is dropped here, so later names
                // are still found.
                if (length <= kMaxNameLength)
                    rows.push_back({start, static_cast<qint32>(line), static_cast<qint32>(length)});
                length = 0;
            }
        }
    }
    if (length > 0 && length <= kMaxNameLength)
        rows.push_back({start, static_cast<qint32>(line), static_cast<qint32>(length)});
    return rows;
}

char CVariableScanner::sigilOfKind(int kind)
{
    switch (kind) {
    case 0:
        return '$';
    case 1:
        return '@';
    case 2:
        return '%';
    default:
        return 0;
    }
}
