#pragma once

#include <QString>
#include <QTemporaryDir>

#include <functional>
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

    // Runs `fn` without the right to override file permissions: as root, in
    // a forked child that has switched to the user "nobody". Returns what
    // `fn` returned (0-255).
    static int runUnprivileged(const std::function<int()> &fn);
    // Makes `dir` and the folders above it inside the program directory
    // readable by everyone and `dir` itself read-only.
    void makeReadOnlyFolder(const QString &dir);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<COstrakApp> m_app;
};
