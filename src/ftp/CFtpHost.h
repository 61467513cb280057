#pragma once

#include <QString>

// The server named by the FTP host setting: "ftps://host" asks for TLS on
// the control and data connections, "sftp://host" is the SSH file transfer,
// "ftp://host" or a bare name is plain FTP.
struct CFtpHost
{
    enum Protocol { Ftp, Ftps, Sftp };

    Protocol protocol = Ftp;
    QString name;

    // Empty `error` on success; an unknown scheme is refused, not guessed.
    static CFtpHost parse(const QString &setting, QString *error = nullptr);
    // The port that 0 stands for.
    int defaultPort() const { return protocol == Sftp ? 22 : 21; }
};
