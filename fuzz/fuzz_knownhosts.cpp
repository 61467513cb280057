#include "FuzzCheck.h"
#include "ftp/CKnownHosts.h"

#include <cstddef>
#include <cstdint>

// A host key as a server sends it: its fingerprint, type and known_hosts line.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray key(reinterpret_cast<const char *>(data), qsizetype(size));
    FUZZ_CHECK(CKnownHosts::fingerprint(key).startsWith(QLatin1String("SHA256:")));
    CKnownHosts::keyType(key);
    const QByteArray line = CKnownHosts::line(QStringLiteral("host.example"), 2222, key);
    FUZZ_CHECK(!line.contains('\n') || line.indexOf('\n') == line.size() - 1);
    return 0;
}
