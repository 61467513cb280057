#pragma once

#include <QString>

// The certificates the user chose to trust although they could not be
// verified, one per host and port, kept in the user's own settings.
class CTrustStore
{
public:
    static QString trustedFingerprint(const QString &host, int port);
    static void trust(const QString &host, int port, const QString &fingerprint);
};
