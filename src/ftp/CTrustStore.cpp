#include "CTrustStore.h"

#include <QSettings>

namespace {

QString keyOf(const QString &host, int port)
{
    return QStringLiteral("TrustedCertificates/%1 %2").arg(host).arg(port);
}

} // namespace

QString CTrustStore::trustedFingerprint(const QString &host, int port)
{
    return QSettings(QStringLiteral("HALDEN"), QStringLiteral("Ostrak")).value(keyOf(host, port)).toString();
}

void CTrustStore::trust(const QString &host, int port, const QString &fingerprint)
{
    QSettings settings(QStringLiteral("HALDEN"), QStringLiteral("Ostrak"));
    settings.setValue(keyOf(host, port), fingerprint);
    settings.sync();
}
