#pragma once

#include <QString>

// Checks the TLS certificate of a server for one FTP session. A certificate
// passes when the system's certificate store vouches for it and it names the
// host, or when it is the very certificate (by SHA-256 fingerprint) that the
// user chose to trust. Otherwise the handshake fails before the password is
// sent, and the certificate's subject and fingerprint are kept for the
// question to the user.
class CTlsPeerCheck
{
public:
    void reset(const QString &host, const QString &trustedFingerprint);

    // For CURLOPT_SSL_CTX_FUNCTION, with this object as its data.
    static int onContext(void *curl, void *sslContext, void *self);

    bool refused() const { return m_refused; }
    QString subject() const { return m_subject; }
    QString fingerprint() const { return m_fingerprint; }
    QString reason() const { return m_reason; }

private:
    static int onVerify(int preverified, void *storeContext);

    QString m_host;
    QString m_trusted;
    bool m_refused = false;
    QString m_subject;
    QString m_fingerprint;
    QString m_reason;
};
