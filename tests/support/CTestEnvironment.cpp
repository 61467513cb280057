#include "CTestEnvironment.h"

#include "app/COstrakApp.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

CTestEnvironment::CTestEnvironment()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY2(m_dir.isValid(), "no temporary folder");
    m_app = std::make_unique<COstrakApp>(m_dir.path());
}

CTestEnvironment::~CTestEnvironment() = default;

QString CTestEnvironment::path(const QString &name) const
{
    return QDir(m_dir.path()).filePath(name);
}

void CTestEnvironment::writeConfig(const QStringList &lines)
{
    writeFile(m_app->configPath(), (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
    m_app->ReadConfiguration();
}

void CTestEnvironment::writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
}

QByteArray CTestEnvironment::readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

int CTestEnvironment::runUnprivileged(const std::function<int()> &fn)
{
    if (::geteuid() != 0)
        return fn();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(255);
        ::_exit(fn() & 0xff);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return 255;
    return WEXITSTATUS(status);
}

void CTestEnvironment::makeReadOnlyFolder(const QString &dir)
{
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
    for (QString d = dir; d.startsWith(m_dir.path()) && d != m_dir.path(); d = QFileInfo(d).path())
        ::chmod(QFile::encodeName(d).constData(), 0755);
    for (const QFileInfo &f : QDir(dir).entryInfoList(QDir::Files | QDir::Hidden))
        ::chmod(QFile::encodeName(f.filePath()).constData(), 0644);
    ::chmod(QFile::encodeName(dir).constData(), 0555);
}
