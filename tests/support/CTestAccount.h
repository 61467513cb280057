#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>

#include <pwd.h>
#include <unistd.h>

// A local account for the servers in the tests that log in system users
// (sshd, vsftpd, telnetd with /bin/login). Made when missing, its home and
// shell set, its password set anew for every run; root only.
class CTestAccount
{
public:
    // Empty on success, else what failed. `home` and the folders above it
    // become reachable by the account, and `home` its own.
    static QString ensure(const char *user, const QByteArray &password, const QString &home, const char *shell)
    {
        if (geteuid() != 0)
            return QStringLiteral("the test account %1 can only be made by root").arg(QLatin1String(user));
        QString why = getpwnam(user) ? QString()
                                     : run("useradd", {"--system", "--no-create-home", "--shell", shell, user});
        if (why.isEmpty() && (QString::fromLocal8Bit(getpwnam(user)->pw_dir) != home
                              || QString::fromLocal8Bit(getpwnam(user)->pw_shell) != QLatin1String(shell)))
            why = run("usermod", {"--home", home, "--shell", shell, user});
        if (why.isEmpty())
            why = run("chpasswd", {}, QByteArray(user) + ':' + password + '\n');
        for (QDir dir(home); why.isEmpty() && dir.cdUp() && dir.path() != QDir::rootPath();) {
            if (dir.path().startsWith(QDir::tempPath() + QLatin1Char('/')))
                QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) | QFile::ExeOther | QFile::ReadOther);
        }
        return why.isEmpty() ? own(user, home) : why;
    }

    static QString own(const char *user, const QString &path) { return run("chown", {"-R", user, path}); }

    // Tests running side by side may hold the lock on /etc/passwd for a moment: tried again then.
    static QString run(const char *program, const QStringList &args, const QByteArray &input = QByteArray())
    {
        QString failure;
        for (int attempt = 0; attempt < 20; ++attempt) {
            QProcess p;
            p.setProcessChannelMode(QProcess::MergedChannels);
            p.start(QLatin1String(program), args);
            p.write(input);
            p.closeWriteChannel();
            if (p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
                return QString();
            const QString output = QString::fromUtf8(p.readAll());
            failure = QStringLiteral("%1 failed: %2 %3").arg(QLatin1String(program), output, p.errorString());
            if (!output.contains(QLatin1String("lock")))
                break;
            QThread::msleep(250);
        }
        return failure;
    }
};
