#pragma once

#include <QByteArray>
#include <QString>

// What a server showed of itself when a connection could not verify it: its
// TLS certificate, or its SSH host key. Kept so that the user can be asked
// whether to trust it.
struct CPeerIdentity
{
    enum Kind { None, Certificate, HostKey };

    Kind kind = None;
    // A host key that differs from the one recorded for the host.
    bool changed = false;
    QString host;
    int port = 0;
    // The certificate's subject, or the key's type ("ssh-ed25519").
    QString subject;
    // SHA-256: "AB:CD:..." for a certificate, "SHA256:base64" for a host key.
    QString fingerprint;
    // The host key as the server sent it.
    QByteArray key;
    // Why the certificate failed verification.
    QString reason;
};
