#include "CTestEnvironment.h"

#include "app/COstrakApp.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

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
