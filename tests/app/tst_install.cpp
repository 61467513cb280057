#include "CCommandRun.h"
#include "CTestAccount.h"
#include "CTestEnvironment.h"

#include <QtTest>

#include <pwd.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

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
    QString userSettings() const { return m_home + u"/.config/HALDEN/Ostrak.cfg"_s; }

    struct Result { int exitCode = -1; QByteArray out, err; };
    // Runs `program` as the test user with nothing of the test's environment
    // but `env`: no display unless `env` names one.
    Result runAsUser(const QString &program, const QStringList &args, const QStringList &env = {}, int timeoutMs = 60000)
    {
        QProcess p;
        p.setWorkingDirectory(m_home);
        p.start(u"runuser"_s, QStringList{u"-u"_s, QLatin1String(kUser), u"--"_s, u"env"_s, u"-i"_s, u"HOME="_s + m_home,
                                          u"PATH=/usr/bin:/bin"_s, u"XDG_RUNTIME_DIR="_s + m_home + u"/run"_s,
                                          u"ASAN_OPTIONS=detect_leaks=0"_s}
                                  + env + QStringList{program} + args);
        const bool finished = p.waitForFinished(timeoutMs);
        if (!finished) { p.kill(); p.waitForFinished(); }
        const bool ran = finished && p.exitStatus() == QProcess::NormalExit;
        return {ran ? p.exitCode() : -1, p.readAllStandardOutput(),
                (finished ? "" : "did not finish: " + p.errorString().toUtf8() + '\n') + p.readAllStandardError()};
    }

    void checkSettingsFile(const QString &key, const QString &value)
    {
        const QByteArray bytes = CTestEnvironment::readFile(userSettings());
        QCOMPARE(bytes.count('\n'), 30);
        QVERIFY2(("\r\n" + bytes).contains("\r\n" + key.toUtf8() + '=' + value.toUtf8() + "\r\n"), bytes.constData());
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(userSettings()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0600));
        QCOMPARE(st.st_uid, getpwnam(kUser)->pw_uid);
        QVERIFY(!QFileInfo::exists(staged(u"/usr/bin/Ostrak.cfg"_s)));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_stage.isValid() && m_homeRoot.isValid(), "no temporary folder");
        const QString failed = runCommand(u"cmake"_s, {u"--install"_s, QStringLiteral(OSTRAK_BUILD_DIR), u"--prefix"_s, u"/usr"_s},
                                          {u"DESTDIR="_s + m_stage.path()});
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        m_home = m_homeRoot.filePath(u"home"_s);
        QVERIFY(QDir().mkpath(m_home + u"/run"_s));
        QVERIFY(QFile::setPermissions(m_home + u"/run"_s, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QString why = CTestAccount::ensure(kUser, QByteArrayLiteral("Desk-1-pass"), m_home, "/bin/sh");
        QVERIFY2(why.isEmpty(), qPrintable(why));
        QFile::setPermissions(m_stage.path(), QFile::permissions(m_stage.path()) | QFile::ExeOther | QFile::ReadOther);
        QCOMPARE(::chmod(QFile::encodeName(staged(u"/usr/bin"_s)).constData(), 0555), 0);
    }

    void cleanupTestCase() { ::chmod(QFile::encodeName(staged(u"/usr/bin"_s)).constData(), 0755); }

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
        const Result r = runAsUser(staged(u"/usr/bin/ostrak"_s), args, {}, 20000);
        QVERIFY2(r.exitCode == exitCode, r.err.constData());
        // Each stream empty, or starting with the row's text.
        const auto holds = [](const QByteArray &stream, const QString &start) {
            return start.isEmpty() ? stream.isEmpty() : stream.startsWith(start.toUtf8());
        };
        QVERIFY2(holds(r.out, out), r.out.constData());
        QVERIFY2(holds(r.err, err), r.err.constData());
    }

    // The first start makes the user's settings from the installed defaults,
    // with perl and javac found on PATH; the program runs until `timeout` ends it.
    void firstStartMakesUserSettings()
    {
        const Result r = runAsUser(u"timeout"_s, {u"5"_s, staged(u"/usr/bin/ostrak"_s)}, {u"QT_QPA_PLATFORM=offscreen"_s}, 30000);
        QVERIFY2(r.exitCode == 124, r.err.constData());   // still running when ended: it started
        for (const QString &tool : {u"perl"_s, u"javac"_s}) {
            const QString path = QStandardPaths::findExecutable(tool, {u"/usr/bin"_s, u"/bin"_s});
            QVERIFY2(!path.isEmpty(), "perl and javac must be installed for this test");
            checkSettingsFile(u"LOCAL_"_s + tool.toUpper() + u"_EXE"_s, path);
        }
    }

    // The tab size changed through the Options sheet lands in the user's
    // file, and the About box names that file.
    void optionsSheetSavesForTheUser()
    {
        QFile::remove(userSettings());
        // A copy in the staging folder: the build tree may lie where the user cannot go.
        const QString driver = staged(u"/installeduser"_s);
        QFile::remove(driver);
        QVERIFY(QFile::copy(QStringLiteral(INSTALLED_USER), driver));
        const Result r = runAsUser(driver, {staged(u"/usr/bin"_s), u"7"_s}, {u"QT_QPA_PLATFORM=offscreen"_s});
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QCOMPARE(QString::fromUtf8(r.out), userSettings() + u"\nSettings: "_s + userSettings() + u'\n');
        checkSettingsFile(u"TAB_SIZE"_s, u"7"_s);
        checkSettingsFile(u"INDENT_SIZE"_s, u"4"_s);   // the rest from the defaults
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
