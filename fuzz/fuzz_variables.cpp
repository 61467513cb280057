#include "FuzzCheck.h"
#include "editor/CVariableScanner.h"

#include <cstddef>
#include <cstdint>

// The variable scan: every row lies inside the text, starts with the sigil,
// is at most the longest name, and rows come in the order of the text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *text = reinterpret_cast<const char *>(data);
    for (const char sigil : {'$', '@', '%'}) {
        qint64 previous = -1;
        for (const CVariableRow &row : CVariableScanner::scan(text, qint64(size), sigil)) {
            FUZZ_CHECK(row.offset > previous && row.length >= 1 && row.offset + row.length <= qint64(size));
            FUZZ_CHECK(text[row.offset] == sigil && row.line >= 1);
            FUZZ_CHECK(row.length <= CVariableScanner::kMaxNameLength + 1);
            previous = row.offset;
        }
    }
    return 0;
}
