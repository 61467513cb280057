#include "CKnownHosts.h"

#include "app/CAtomicFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

QByteArray CKnownHosts::line(const QString &host, int port, const QByteArray &key)
{
    const QString name = port == 22 ? host : QStringLiteral("[%1]:%2").arg(host).arg(port);
    return name.toUtf8() + ' ' + keyType(key).toLatin1() + ' ' + key.toBase64() + '\n';
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
