#include "FuzzCheck.h"
#include "editor/CLineEnds.h"

#include <cstddef>
#include <cstdint>

// Line-end conversions: DOS text has no LF without a CR before it, and
// converting back gives what converting the original gives.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray dos = CLineEnds::toDos(text);
    for (qsizetype i = dos.indexOf('\n'); i >= 0; i = dos.indexOf('\n', i + 1))
        FUZZ_CHECK(i > 0 && dos.at(i - 1) == '\r');
    FUZZ_CHECK(CLineEnds::toUnix(dos) == CLineEnds::toUnix(text));
    const QByteArray end = CLineEnds::documentLineEnd(text);
    FUZZ_CHECK(end == "\n" || end == "\r\n" || end == "\r");
    CLineEnds::withLineEnd(text, end);
    return 0;
}
