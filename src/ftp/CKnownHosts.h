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
    // How the file names the host: "[host]:port" unless the port is 22.
    static QString hostName(const QString &host, int port);
    // The number (from 1) of the first line of `path` that names the host,
    // in clear or hashed; 0 when none does or the file cannot be read.
    static int lineOf(const QString &path, const QString &host, int port);
    // Why a connection to a host whose key has changed was refused, naming
    // the file and the line to remove when the key was replaced on purpose.
    static QString changedText(const QString &path, const QString &host, int port);

    // Adds the key to `path`, keeping every line already there; the file is
    // replaced whole or not at all. Empty on success, else why it failed.
    static QString add(const QString &path, const QString &host, int port, const QByteArray &key);
};
