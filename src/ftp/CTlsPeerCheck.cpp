#include "CTlsPeerCheck.h"

#include <QHostAddress>

#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <mutex>

namespace {

int contextIndex()
{
    static int index = -1;
    static std::once_flag once;
    std::call_once(once, [] { index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr); });
    return index;
}

QString sha256Fingerprint(X509 *cert)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!X509_digest(cert, EVP_sha256(), digest, &size))
        return QString();
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), int(size)).toHex(':').toUpper());
}

QString subjectOf(X509 *cert)
{
    BIO *bio = BIO_new(BIO_s_mem());
    X509_NAME_print_ex(bio, X509_get_subject_name(cert), 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    const QString text = QString::fromUtf8(data, int(size));
    BIO_free(bio);
    return text;
}

} // namespace

void CTlsPeerCheck::reset(const QString &host, const QString &trustedFingerprint)
{
    m_host = host;
    m_trusted = trustedFingerprint;
    m_refused = false;
    m_subject.clear();
    m_fingerprint.clear();
    m_reason.clear();
}

int CTlsPeerCheck::onContext(void *, void *sslContext, void *self)
{
    auto *ctx = static_cast<SSL_CTX *>(sslContext);
    auto *check = static_cast<CTlsPeerCheck *>(self);
    SSL_CTX_set_default_verify_paths(ctx);
    X509_VERIFY_PARAM *param = SSL_CTX_get0_param(ctx);
    const QByteArray host = check->m_host.toUtf8();
    if (QHostAddress(check->m_host).isNull())
        X509_VERIFY_PARAM_set1_host(param, host.constData(), size_t(host.size()));
    else
        X509_VERIFY_PARAM_set1_ip_asc(param, host.constData());
    SSL_CTX_set_ex_data(ctx, contextIndex(), check);
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, [](int ok, X509_STORE_CTX *store) { return onVerify(ok, store); });
    return 0; // CURLE_OK
}

int CTlsPeerCheck::onVerify(int preverified, void *storeContext)
{
    auto *store = static_cast<X509_STORE_CTX *>(storeContext);
    auto *ssl = static_cast<SSL *>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto *check = static_cast<CTlsPeerCheck *>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), contextIndex()));
    if (!check)
        return preverified;
    // The server's own certificate, whichever link of the chain is being checked.
    X509 *leaf = X509_STORE_CTX_get0_cert(store);
    const QString fingerprint = leaf ? sha256Fingerprint(leaf) : QString();
    if (preverified)
        return 1;
    if (!check->m_trusted.isEmpty() && fingerprint == check->m_trusted) {
        X509_STORE_CTX_set_error(store, X509_V_OK);
        return 1;
    }
    if (!check->m_refused) {
        check->m_refused = true;
        check->m_fingerprint = fingerprint;
        check->m_subject = leaf ? subjectOf(leaf) : QString();
        check->m_reason = QString::fromUtf8(X509_verify_cert_error_string(X509_STORE_CTX_get_error(store)));
    }
    return 0;
}
