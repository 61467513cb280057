#include "FuzzCheck.h"
#include "ftp/CFtpText.h"

#include <cstddef>
#include <cstdint>

// A downloaded text in the editor's form: every line ends with CR LF, and
// the form is reached in one step.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray lines = CFtpText::linesWithCrLf(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    for (qsizetype i = lines.indexOf('\n'); i >= 0; i = lines.indexOf('\n', i + 1))
        FUZZ_CHECK(i > 0 && lines.at(i - 1) == '\r');
    FUZZ_CHECK(lines.isEmpty() || lines.endsWith("\r\n"));
    return 0;
}
