#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

class COstrakApp;

// A throw-away program directory (where Ostrak.cfg and OSTRAK.FNL live) and
// the application object on top of it.
class CTestEnvironment
{
public:
    CTestEnvironment();
    ~CTestEnvironment();

    QString programDir() const { return m_dir.path(); }
    QString path(const QString &name) const;
    COstrakApp &app() { return *m_app; }

    // Writes Ostrak.cfg from KEY=VALUE lines (joined with CR LF) and reads it.
    void writeConfig(const QStringList &lines);
    static void writeFile(const QString &path, const QByteArray &bytes);
    static QByteArray readFile(const QString &path);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<COstrakApp> m_app;
};
