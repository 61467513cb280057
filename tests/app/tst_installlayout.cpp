#include "CTestEnvironment.h"

#include "app/CCommandLine.h"
#include "app/CConfigFile.h"
#include "app/CInstallLayout.h"
#include "app/COstrakApp.h"
#include "app/CSettingsPlace.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// Where the program finds its companions, data and settings, how it fills
// a user's first settings file, and its own command line.
class TestInstallLayout : public QObject
{
    Q_OBJECT

    // A tree under a temporary folder; "x:" before a name makes the file
    // executable, a name ending in "/" is a folder.
    static QString makeTree(const QTemporaryDir &dir, const QStringList &entries)
    {
        for (const QString &entry : entries) {
            const bool exec = entry.startsWith(u"x:"_s), folder = entry.endsWith(u'/');
            const QString path = dir.filePath(exec ? entry.mid(2) : entry);
            QDir().mkpath(folder ? path : QFileInfo(path).path());
            if (!folder) {
                CTestEnvironment::writeFile(path, "#!/bin/sh\n");
                ::chmod(QFile::encodeName(path).constData(), exec ? 0755 : 0644);
            }
        }
        QDir().mkpath(dir.filePath(u"usr/bin"_s));
        return dir.filePath(u"usr/bin"_s);
    }

    static QString relative(const QTemporaryDir &dir, const QString &path) { return QDir(dir.path()).relativeFilePath(path); }

private slots:
    void companion_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("expected");
        const QString bin = u"usr/bin/ostrak-test-companion"_s, lib = u"usr/lib/ostrak/ostrak-test-companion"_s;
        QTest::newRow("build tree: beside the program") << QStringList{"x:" + bin} << bin;
        QTest::newRow("a file that cannot run is passed over") << QStringList{bin, "x:" + lib} << lib;
        QTest::newRow("a folder of that name is passed over") << QStringList{bin + "/", "x:" + lib} << lib;
        QTest::newRow("none: the place beside the program") << QStringList{} << bin;
    }
    void companion()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QCOMPARE(relative(dir, CInstallLayout(makeTree(dir, files), false).companion(u"ostrak-test-companion"_s)), expected);
    }

    void dataFile_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("shared");
        const QString fnl = u"usr/share/ostrak/OSTRAK.FNL"_s, perl = u"usr/share/ostrak/OstrakPerl"_s,
                      cfg = u"usr/share/ostrak/Ostrak.cfg"_s;
        QTest::newRow("installed") << QStringList{fnl} << "OSTRAK.FNL" << fnl << fnl;
        QTest::newRow("a folder") << QStringList{perl + "/"} << "OstrakPerl" << perl << perl;
        QTest::newRow("beside first; defaults only from share")
            << QStringList{"usr/bin/Ostrak.cfg", cfg} << "Ostrak.cfg" << "usr/bin/Ostrak.cfg" << cfg;
        QTest::newRow("missing") << QStringList{} << "OSTRAK.FNL" << "usr/bin/OSTRAK.FNL" << "";
    }
    void dataFile()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, name);
        QFETCH(QString, data);
        QFETCH(QString, shared);
        QTemporaryDir dir;
        const CInstallLayout layout(makeTree(dir, files), false);
        QCOMPARE(relative(dir, layout.dataFile(name)), data);
        const QString found = layout.sharedDataFile(name);
        QCOMPARE(found.isEmpty() ? QString() : relative(dir, found), shared);
    }

    void settingsPlace_data()
    {
        QTest::addColumn<QString>("folder");   // relative to a temporary folder, or absolute
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("beside");
        QTest::newRow("writable folder") << "bin" << 0755 << true;
        QTest::newRow("read-only folder") << "bin" << 0555 << false;
        QTest::newRow("missing folder") << "gone" << 0 << false;
        QTest::newRow("system folder by another path") << "/usr/../usr/local/bin" << 0 << false;
    }
    // Permissions are those of a user who is not root, but for a system
    // folder: root could write there, and still leaves no settings behind.
    void settingsPlace()
    {
        QFETCH(QString, folder);
        QFETCH(int, mode);
        QFETCH(bool, beside);
        QTemporaryDir dir;
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
        const QString program = QDir(dir.path()).filePath(folder);
        if (mode) {
            QVERIFY(QDir().mkpath(program));
            ::chmod(QFile::encodeName(program).constData(), mode_t(mode));
            QCOMPARE(::chown(QFile::encodeName(program).constData(), 65534, 65534), 0);   // the unprivileged user's
        }
        const QString expected = beside ? QDir(program).filePath(u"Ostrak.cfg"_s) : u"/home/u/.config/HALDEN/Ostrak.cfg"_s;
        const auto check = [&] { return CSettingsPlace::choose(program, u"/home/u/.config"_s) == expected ? 0 : 1; };
        QCOMPARE(folder.startsWith(u'/') ? check() : CTestEnvironment::runUnprivileged(check), 0);
    }

    void seed_data()
    {
        QTest::addColumn<QByteArray>("previous");   // beside the program; null: none
        QTest::addColumn<QByteArray>("defaults");   // in share/ostrak; null: none
        QTest::addColumn<QByteArray>("userFile");   // null: none yet
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");   // "<missing>": no file made; "@tools/": that folder
        const QByteArray defaults("LOCAL_PERL_EXE=perl\r\nLOCAL_JAVAC_EXE=javac\r\nTAB_SIZE=4\r\nAUTO_INDENT=Y\r\n");
        const QByteArray none;
        QTest::newRow("defaults taken") << none << defaults << none << "TAB_SIZE" << "4";
        QTest::newRow("bare name found on PATH") << none << defaults << none << "LOCAL_PERL_EXE" << "@tools/perl";
        QTest::newRow("bare name not on PATH: empty") << none << defaults << none << "LOCAL_JAVAC_EXE" << "";
        QTest::newRow("a path stays") << none << "LOCAL_PERL_EXE=/opt/p/perl\r\n"_ba << none << "LOCAL_PERL_EXE"
                                      << "/opt/p/perl";
        QTest::newRow("settings left beside come first") << "TAB_SIZE=8\r\n"_ba << defaults << none << "TAB_SIZE" << "8";
        QTest::newRow("an existing file is kept") << none << defaults << "TAB_SIZE=2\r\n"_ba << "TAB_SIZE" << "2";
        QTest::newRow("nothing to start from") << none << none << none << "TAB_SIZE" << "<missing>";
    }
    void seed()
    {
        QFETCH(QByteArray, previous);
        QFETCH(QByteArray, defaults);
        QFETCH(QByteArray, userFile);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString beside = dir.filePath(u"usr/bin/Ostrak.cfg"_s);
        const QString shared = dir.filePath(u"usr/share/ostrak/Ostrak.cfg"_s);
        const QString user = dir.filePath(u"home/.config/HALDEN/Ostrak.cfg"_s);
        for (const auto &[path, bytes] : {std::pair{beside, previous}, {shared, defaults}, {user, userFile}}) {
            if (!bytes.isNull() && QDir().mkpath(QFileInfo(path).path()))
                CTestEnvironment::writeFile(path, bytes);
        }
        makeTree(dir, {"x:tools/perl"});

        QCOMPARE(CSettingsPlace::seed(user, {beside, shared}, dir.filePath(u"tools"_s) + u":/nonexistent"_s), QString());
        if (expected == u"<missing>"_s) {
            QVERIFY(!QFileInfo::exists(user));
            return;
        }
        if (expected.startsWith(u'@'))
            expected = dir.filePath(expected.mid(1));
        CSettings read;
        QVERIFY(CConfigFile::read(user, read));
        QCOMPARE(read.fileValue(key), expected);
        if (userFile.isNull()) {
            QCOMPARE(CTestEnvironment::readFile(user).count("\r\n"), 30);
            struct stat st {};
            QCOMPARE(::stat(QFile::encodeName(user).constData(), &st), 0);
            QCOMPARE(st.st_mode & 07777, mode_t(0600));
        }
    }

    void seedFolderCannotBeMade()
    {
        QTemporaryDir dir;
        const QString blocker = dir.filePath(u"file"_s);
        CTestEnvironment::writeFile(blocker, "x");
        CTestEnvironment::writeFile(dir.filePath(u"defaults"_s), "TAB_SIZE=4\r\n");
        const QString why = CSettingsPlace::seed(blocker + u"/HALDEN/Ostrak.cfg"_s, {dir.filePath(u"defaults"_s)}, {});
        QVERIFY2(why.contains(blocker), qPrintable(why));
    }

    // A program in a system folder with no defaults beside it: the first
    // save makes the user's folder and file.
    void firstSaveMakesUserFolder()
    {
        QStandardPaths::setTestModeEnabled(true);
        const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QDir(config + u"/HALDEN"_s).removeRecursively();
        COstrakApp app(u"/bin"_s);   // "/bin/../share/ostrak" holds no defaults
        QCOMPARE(app.configPath(), config + u"/HALDEN/Ostrak.cfg"_s);
        QVERIFY(!app.ReadConfiguration());
        CSettings values;
        values.TAB_SIZE = u"5"_s;
        QCOMPARE(app.saveSettings(values), QString());
        QCOMPARE(app.settings().TAB_SIZE, u"5"_s);
        QVERIFY(!QFileInfo::exists(u"/bin/Ostrak.cfg"_s));
    }

    // The shipped defaults are already in the form the program writes (their
    // values are checked on the installed program).
    void shippedDefaultsInWrittenForm()
    {
        const QString path = QStringLiteral(OSTRAK_SOURCE_DIR "/data/Ostrak.cfg");
        CSettings settings;
        QVERIFY(CConfigFile::read(path, settings));
        QCOMPARE(CConfigFile::format(settings), CTestEnvironment::readFile(path));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("textStart");   // empty: no text
        using L = CCommandLine;
        QTest::newRow("a script") << QStringList{"ostrak", "a.pl"} << int(L::Start) << "a.pl" << "";
        QTest::newRow("--help") << QStringList{"/usr/bin/ostrak", "--help"} << int(L::ShowHelp) << ""
                                << "Usage: ostrak [options] [script]";
        QTest::newRow("-h after a script") << QStringList{"ostrak", "a.pl", "-h"} << int(L::ShowHelp) << "a.pl" << "Usage:";
        QTest::newRow("--version") << QStringList{"ostrak", "--version"} << int(L::ShowVersion) << ""
                                   << "ostrak " + CCommandLine::versionNumber() + "\n";
        QTest::newRow("version after an unknown option") << QStringList{"ostrak", "-platform", "--version"}
                                                         << int(L::ShowVersion) << "" << "ostrak ";
        QTest::newRow("unknown option") << QStringList{"ostrak", "--frob"} << int(L::Refuse) << "" << "ostrak: unknown option --frob";
        QTest::newRow("-- ends the options") << QStringList{"ostrak", "--", "--help"} << int(L::Start) << "--help" << "";
        QTest::newRow("a lone - is a name") << QStringList{"ostrak", "-"} << int(L::Start) << "-" << "";
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, action);
        QFETCH(QString, file);
        QFETCH(QString, textStart);
        using L = CCommandLine;
        const CCommandLine line = L::parse(args);
        QCOMPARE(int(line.action()), action);
        QCOMPARE(line.fileName(), file);
        QCOMPARE(line.exitCode(), action == L::Refuse ? 2 : 0);
        QVERIFY2(textStart.isEmpty() ? line.text().isEmpty() : line.text().startsWith(textStart), qPrintable(line.text()));
    }
};

QTEST_GUILESS_MAIN(TestInstallLayout)
#include "tst_installlayout.moc"
