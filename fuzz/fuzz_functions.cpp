#include "FuzzCheck.h"
#include "editor/CFunctionsFile.h"

#include <cstddef>
#include <cstdint>

// The functions file: no row without a name, none with a line end in it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    for (const CPerlFunction &f : CFunctionsFile::parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)))) {
        FUZZ_CHECK(!f.name.isEmpty());
        FUZZ_CHECK(!(f.name + f.description + f.codeTemplate).contains(QLatin1Char('\n')));
    }
    return 0;
}
