#include "CCommandRun.h"
#include "CTestAccount.h"
#include "CTestEnvironment.h"

#include <QtTest>

#include <pwd.h>
#include <sys/stat.h>

// The installed program: `cmake --install` into a staging folder whose
// program folder is then read-only, run as a user who is not root.
class TestInstall : public QObject
{
    Q_OBJECT

    static constexpr const char *kUser = "ostrak-desk";
    QTemporaryDir m_stage;
    QTemporaryDir m_homeRoot;
    QString m_home;

    QString staged(const QString &path) const { return m_stage.path() + path; }
    QString userSettings() const { return m_home + QStringLiteral("/.config/HALDEN/Ostrak.cfg"); }

    struct Result
    {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };
    // Runs `program` as the test user with nothing of the test's environment
    // but `env`: no display unless `env` names one.
    Result runAsUser(const QString &program, const QStringList &args, const QStringList &env = {}, int timeoutMs = 60000)
    {
        QStringList full{QStringLiteral("-u"), QLatin1String(kUser), QStringLiteral("--"), QStringLiteral("env"),
                         QStringLiteral("-i"), QStringLiteral("HOME=") + m_home, QStringLiteral("PATH=/usr/bin:/bin"),
                         QStringLiteral("XDG_RUNTIME_DIR=") + m_home + QStringLiteral("/run"),
                         QStringLiteral("ASAN_OPTIONS=detect_leaks=0")};
        full << env << program << args;
        QProcess p;
        p.setWorkingDirectory(m_home);
        p.start(QStringLiteral("runuser"), full);
        Result r;
        if (!p.waitForFinished(timeoutMs)) {
            p.kill();
            p.waitForFinished();
            r.err = "did not finish: " + p.errorString().toUtf8() + '\n' + p.readAllStandardError();
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }

    void checkSettingsFile(const QString &key, const QString &value)
    {
        const QByteArray bytes = CTestEnvironment::readFile(userSettings());
        const QList<QByteArray> lines = bytes.split('\n');
        QCOMPARE(lines.size(), 31);   // 30 lines, each ended
        QVERIFY2(("\r\n" + bytes).contains("\r\n" + key.toUtf8() + '=' + value.toUtf8() + "\r\n"), bytes.constData());
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(userSettings()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0600));
        QCOMPARE(st.st_uid, getpwnam(kUser)->pw_uid);
        QVERIFY(!QFileInfo::exists(staged(QStringLiteral("/usr/bin/Ostrak.cfg"))));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_stage.isValid() && m_homeRoot.isValid(), "no temporary folder");
        const QString failed = runCommand(QStringLiteral("cmake"), {QStringLiteral("--install"), QStringLiteral(OSTRAK_BUILD_DIR),
                                                                 QStringLiteral("--prefix"), QStringLiteral("/usr")},
                                       {QStringLiteral("DESTDIR=") + m_stage.path()});
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        m_home = m_homeRoot.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(m_home + QStringLiteral("/run")));
        QVERIFY(QFile::setPermissions(m_home + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QString why = CTestAccount::ensure(kUser, QByteArrayLiteral("Desk-1-pass"), m_home, "/bin/sh");
        QVERIFY2(why.isEmpty(), qPrintable(why));
        QFile::setPermissions(m_stage.path(), QFile::permissions(m_stage.path()) | QFile::ExeOther | QFile::ReadOther);
        QVERIFY(QFile::setPermissions(staged(QStringLiteral("/usr/bin")), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                                                          | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    }

    void cleanupTestCase()
    {
        QFile::setPermissions(staged(QStringLiteral("/usr/bin")), QFile::permissions(staged(QStringLiteral("/usr/bin"))) | QFile::WriteOwner);
    }

    void validators_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("desktop entry") << "desktop-file-validate"
                                       << QStringList{staged("/usr/share/applications/org.halden.Ostrak.desktop")};
        QTest::newRow("metainfo") << "appstreamcli"
                                  << QStringList{"validate", "--no-net", staged("/usr/share/metainfo/org.halden.Ostrak.metainfo.xml")};
    }
    void validators()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QString output;
        const QString failed = runCommand(program, args, {}, &output, 60000);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QVERIFY2(!output.contains(QLatin1String("error")), qPrintable(output));
    }

    // Answered without a display: none is named in the environment.
    void printsAndExits_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: ostrak [options] [script]\n" << "";
        QTest::newRow("--version") << QStringList{"--version"} << 0 << "ostrak " OSTRAK_VERSION "\n" << "";
        QTest::newRow("-v beside a script") << QStringList{"x.pl", "-v"} << 0 << "ostrak " OSTRAK_VERSION "\n" << "";
        QTest::newRow("unknown option") << QStringList{"-platform", "offscreen", "--frob"} << 2 << ""
                                        << "ostrak: unknown option --frob\nUsage: ostrak";
    }
    void printsAndExits()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const Result r = runAsUser(staged(QStringLiteral("/usr/bin/ostrak")), args, {}, 20000);
        QVERIFY2(r.exitCode == exitCode, r.err.constData());
        // Each stream empty, or starting with the row's text.
        const auto holds = [](const QByteArray &stream, const QString &start) {
            return start.isEmpty() ? stream.isEmpty() : stream.startsWith(start.toUtf8());
        };
        QVERIFY2(holds(r.out, out), r.out.constData());
        QVERIFY2(holds(r.err, err), r.err.constData());
    }

    // The first start makes the user's settings from the installed defaults;
    // the program runs until `timeout` ends it.
    void firstStartMakesUserSettings_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("perl from PATH") << "LOCAL_PERL_EXE" << QStandardPaths::findExecutable("perl", {"/usr/bin", "/bin"});
        QTest::newRow("javac from PATH") << "LOCAL_JAVAC_EXE" << QStandardPaths::findExecutable("javac", {"/usr/bin", "/bin"});
        QTest::newRow("tab size") << "TAB_SIZE" << "4";
        QTest::newRow("indent size") << "INDENT_SIZE" << "4";
        QTest::newRow("auto indent") << "AUTO_INDENT" << "Y";
    }
    void firstStartMakesUserSettings()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QVERIFY2(!value.isEmpty(), "perl and javac must be installed for this test");
        if (!QFileInfo::exists(userSettings())) {
            const Result r = runAsUser(QStringLiteral("timeout"), {QStringLiteral("5"), staged(QStringLiteral("/usr/bin/ostrak"))},
                                       {QStringLiteral("QT_QPA_PLATFORM=offscreen")}, 30000);
            QVERIFY2(r.exitCode == 124, r.err.constData());   // still running when ended: it started
        }
        checkSettingsFile(key, value);
    }

    // The tab size changed through the Options sheet lands in the user's
    // file, and the About box names that file.
    void optionsSheetSavesForTheUser()
    {
        QFile::remove(userSettings());
        // A copy in the staging folder: the build tree may lie where the user cannot go.
        const QString driver = staged(QStringLiteral("/installeduser"));
        QFile::remove(driver);
        QVERIFY(QFile::copy(QStringLiteral(INSTALLED_USER), driver));
        const Result r = runAsUser(driver, {staged(QStringLiteral("/usr/bin")), QStringLiteral("7")},
                                   {QStringLiteral("QT_QPA_PLATFORM=offscreen")});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QCOMPARE(QString::fromUtf8(r.out), userSettings() + QStringLiteral("\nSettings: ") + userSettings() + QLatin1Char('\n'));
        checkSettingsFile(QStringLiteral("TAB_SIZE"), QStringLiteral("7"));
        checkSettingsFile(QStringLiteral("INDENT_SIZE"), QStringLiteral("4"));   // the rest from the defaults
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
