#include "FuzzCheck.h"
#include "ftp/CFtpText.h"

#include <cstddef>
#include <cstdint>

// A text downloaded in ASCII in its local form: only the CR of each CR LF
// goes, so the line feeds, every other byte and the ending stay as they were.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray local = CFtpText::fromNetworkLineEnds(text);
    FUZZ_CHECK(local.size() == text.size() - text.count("\r\n"));
    FUZZ_CHECK(QByteArray(local).replace('\r', "") == QByteArray(text).replace('\r', ""));
    FUZZ_CHECK(local.endsWith('\n') == text.endsWith('\n'));
    return 0;
}
