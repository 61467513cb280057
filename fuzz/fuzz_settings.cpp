#include "FuzzCheck.h"
#include "app/CConfigFile.h"
#include "app/CSettings.h"

#include <cstddef>
#include <cstdint>

// Ostrak.cfg as read: every number stays within its range, and a written
// file reads back to itself.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CSettings settings;
    CConfigFile::parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), settings);
    FUZZ_CHECK(settings.tabSize() >= 0 && settings.tabSize() <= CSettings::MaxTabSize);
    FUZZ_CHECK(settings.indentSize() >= 0 && settings.indentSize() <= CSettings::MaxTabSize);
    const QByteArray written = CConfigFile::format(settings);
    CSettings again;
    CConfigFile::parse(written, again);
    FUZZ_CHECK(CConfigFile::format(again) == written);
    return 0;
}
