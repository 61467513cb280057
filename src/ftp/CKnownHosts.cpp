#include "CKnownHosts.h"

#include "app/CAtomicFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageAuthenticationCode>
#include <QtEndian>

#include <algorithm>

QString CKnownHosts::userFile()
{
    return QDir::homePath() + QStringLiteral("/.ssh/known_hosts");
}

QString CKnownHosts::fingerprint(const QByteArray &key)
{
    const QByteArray digest = QCryptographicHash::hash(key, QCryptographicHash::Sha256);
    return QStringLiteral("SHA256:")
        + QString::fromLatin1(digest.toBase64(QByteArray::Base64Encoding | QByteArray::OmitTrailingEquals));
}

QString CKnownHosts::keyType(const QByteArray &key)
{
    if (key.size() < 4)
        return QString();
    const quint32 size = qFromBigEndian<quint32>(key.constData());
    if (size > quint32(key.size() - 4))
        return QString();
    // An algorithm name is printable ASCII without blanks; anything else
    // would break the known_hosts line it is written into.
    const QByteArray name = key.mid(4, qsizetype(size));
    if (std::any_of(name.begin(), name.end(), [](char c) { return c <= ' ' || c > '~'; }))
        return QString();
    return QString::fromLatin1(name);
}

QString CKnownHosts::hostName(const QString &host, int port)
{
    return port == 22 ? host : QStringLiteral("[%1]:%2").arg(host).arg(port);
}

QByteArray CKnownHosts::line(const QString &host, int port, const QByteArray &key)
{
    return hostName(host, port).toUtf8() + ' ' + keyType(key).toLatin1() + ' ' + key.toBase64() + '\n';
}

namespace {

// One name of a line's host field: a plain name, or "|1|salt|hash" where the
// hash is the HMAC-SHA1 of the name keyed with the salt.
bool namesHost(QByteArrayView pattern, const QByteArray &name)
{
    if (!pattern.startsWith("|1|"))
        return pattern == name;
    const QList<QByteArray> parts = pattern.toByteArray().split('|');
    if (parts.size() != 4)
        return false;
    const QByteArray salt = QByteArray::fromBase64(parts[2]);
    return QMessageAuthenticationCode::hash(name, salt, QCryptographicHash::Sha1) == QByteArray::fromBase64(parts[3]);
}

} // namespace

int CKnownHosts::lineOf(const QString &path, const QString &host, int port)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray name = hostName(host, port).toUtf8();
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray fields = lines[i].trimmed();
        if (fields.isEmpty() || fields.startsWith('#'))
            continue;
        // A marker such as @revoked comes before the host field.
        if (fields.startsWith('@'))
            fields = fields.mid(fields.indexOf(' ') + 1).trimmed();
        const QByteArray hosts = fields.left(fields.indexOf(' '));
        for (const QByteArray &pattern : hosts.split(',')) {
            if (namesHost(pattern, name))
                return int(i + 1);
        }
    }
    return 0;
}

QString CKnownHosts::changedText(const QString &path, const QString &host, int port)
{
    const int at = lineOf(path, host, port);
    const QString where = at > 0 ? QStringLiteral("line %1 of %2").arg(at).arg(path) : path;
    return QStringLiteral("The host key of %1 has changed since it was recorded in %2, so the connection was "
                          "refused: the server may not be the one you know. If its key was replaced on purpose, "
                          "remove %3 from that file.")
        .arg(hostName(host, port), where, at > 0 ? QStringLiteral("line %1").arg(at)
                                                 : QStringLiteral("the old line for %1").arg(hostName(host, port)));
}

QString CKnownHosts::add(const QString &path, const QString &host, int port, const QByteArray &key)
{
    if (keyType(key).isEmpty())
        return QStringLiteral("The server's host key is not in a form that can be recorded");
    QByteArray content;
    QFile file(path);
    const bool existed = file.exists();
    if (existed) {
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("Could not read %1: %2").arg(path, file.errorString());
        content = file.readAll();
        file.close();
        if (!content.isEmpty() && !content.endsWith('\n'))
            content += '\n';
    } else if (const QString folder = QFileInfo(path).absolutePath(); !QFileInfo::exists(folder)) {
        // A new ~/.ssh is private, as ssh makes it.
        if (!QDir().mkpath(folder))
            return QStringLiteral("Could not create the folder %1").arg(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    content += line(host, port, key);
    const QString error = existed ? CAtomicFile::write(path, content) : CAtomicFile::write(path, content, 0600);
    return error.isEmpty() ? QString() : QStringLiteral("Could not write %1: %2").arg(path, error);
}
