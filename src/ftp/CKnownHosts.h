#pragma once

#include <QByteArray>
#include <QString>

// The user's list of SSH host keys, ~/.ssh/known_hosts, in the form the
// ssh tools read and write.
class CKnownHosts
{
public:
    static QString userFile();

    // "SHA256:" and the unpadded base64 of the key's digest, as ssh shows it.
    static QString fingerprint(const QByteArray &key);
    // The algorithm name the key blob starts with ("ssh-ed25519").
    static QString keyType(const QByteArray &key);
    // The known_hosts line for the key: "[host]:port" unless the port is 22.
    static QByteArray line(const QString &host, int port, const QByteArray &key);

    // Adds the key to `path`, keeping every line already there; the file is
    // replaced whole or not at all. Empty on success, else why it failed.
    static QString add(const QString &path, const QString &host, int port, const QByteArray &key);
};
