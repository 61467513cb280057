#include "FuzzCheck.h"
#include "server/CTelnetProtocol.h"

#include <cstddef>
#include <cstdint>

// The telnet reader fed whole and fed in pieces (sizes from the first byte)
// gives the same text and the same answers.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype piece = data[0] % 16 + 1;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);
    CTelnetProtocol whole;
    const CTelnetProtocol::CResult all = whole.feed(bytes);
    CTelnetProtocol chunked;
    QByteArray text, answers;
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        const CTelnetProtocol::CResult part = chunked.feed(bytes.sliced(at, std::min(piece, bytes.size() - at)));
        text += part.text;
        answers += part.answers;
    }
    FUZZ_CHECK(text == all.text);
    FUZZ_CHECK(answers == all.answers);
    return 0;
}
