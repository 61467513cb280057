#include "CTrustQuestion.h"

#include "CKnownHosts.h"
#include "CTrustStore.h"

#include <QMessageBox>

QString CTrustQuestion::text(const CPeerIdentity &peer)
{
    if (peer.kind == CPeerIdentity::Certificate)
        return QStringLiteral("The certificate of %1 (port %2) could not be verified: %3.\n\n"
                              "Subject: %4\nSHA-256 fingerprint:\n%5\n\n"
                              "Do you trust this certificate? You will be asked again only if it changes.")
            .arg(peer.host).arg(peer.port).arg(peer.reason, peer.subject, peer.fingerprint);
    return QStringLiteral("The host key of %1 (port %2) is not known.\n\n"
                          "Key type: %3\nSHA-256 fingerprint:\n%4\n\n"
                          "Do you trust this host key? It will be added to %5.")
        .arg(peer.host).arg(peer.port).arg(peer.subject, peer.fingerprint, CKnownHosts::userFile());
}

bool CTrustQuestion::ask(QWidget *parent, const CPeerIdentity &peer, QString *error)
{
    if (peer.kind == CPeerIdentity::None || peer.changed)
        return false;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Ostrak"), text(peer), QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() != QMessageBox::Yes)
        return false;
    if (peer.kind == CPeerIdentity::Certificate) {
        CTrustStore::trust(peer.host, peer.port, peer.fingerprint);
        return true;
    }
    const QString failure = CKnownHosts::add(CKnownHosts::userFile(), peer.host, peer.port, peer.key);
    if (error)
        *error = failure;
    return failure.isEmpty();
}
