#include "CFtpHost.h"

CFtpHost CFtpHost::parse(const QString &setting, QString *error)
{
    CFtpHost host;
    QString rest = setting.trimmed();
    const int colon = rest.indexOf(QLatin1String("://"));
    if (colon >= 0) {
        const QString scheme = rest.left(colon).toLower();
        rest = rest.mid(colon + 3);
        if (scheme == QLatin1String("ftps")) {
            host.protocol = Ftps;
        } else if (scheme == QLatin1String("sftp")) {
            host.protocol = Sftp;
        } else if (scheme != QLatin1String("ftp")) {
            if (error)
                *error = QStringLiteral("The host name starts with \"%1://\"; use ftp://, ftps:// or sftp://").arg(scheme);
            return host;
        }
    }
    while (rest.endsWith(QLatin1Char('/')))
        rest.chop(1);
    host.name = rest;
    if (error)
        error->clear();
    return host;
}
