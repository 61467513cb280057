#include "CTestEnvironment.h"

#include "app/CCommandLine.h"
#include "app/CConfigFile.h"
#include "app/CInstallLayout.h"
#include "app/COstrakApp.h"
#include "app/CSettingsPlace.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

// Where the program finds its companions, data and settings, how it fills
// a user's first settings file, and its own command line.
class TestInstallLayout : public QObject
{
    Q_OBJECT

    // A tree under a temporary folder; "x:" before a name makes the file
    // executable, a name ending in "/" is a folder.
    static QString makeTree(const QTemporaryDir &dir, const QStringList &entries)
    {
        for (QString entry : entries) {
            const bool exec = entry.startsWith(QLatin1String("x:"));
            if (exec)
                entry = entry.mid(2);
            const QString path = dir.filePath(entry);
            if (entry.endsWith(QLatin1Char('/'))) {
                QDir().mkpath(path);
                continue;
            }
            QDir().mkpath(QFileInfo(path).path());
            CTestEnvironment::writeFile(path, "#!/bin/sh\n");
            ::chmod(QFile::encodeName(path).constData(), exec ? 0755 : 0644);
        }
        QDir().mkpath(dir.filePath(QStringLiteral("usr/bin")));
        return dir.filePath(QStringLiteral("usr/bin"));
    }

    static QString relative(const QTemporaryDir &dir, const QString &path)
    {
        return QDir(dir.path()).relativeFilePath(path);
    }

    static QStringList lines(const QString &path)
    {
        return QString::fromUtf8(CTestEnvironment::readFile(path)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }

private slots:
    void companion_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("expected");
        const QString name = QStringLiteral("ostrak-test-companion");
        QTest::newRow("build tree: beside the program") << QStringList{"x:usr/bin/" + name} << "usr/bin/" + name;
        QTest::newRow("installed: lib/ostrak") << QStringList{"x:usr/lib/ostrak/" + name} << "usr/lib/ostrak/" + name;
        QTest::newRow("a file that cannot run is passed over")
            << QStringList{"usr/bin/" + name, "x:usr/lib/ostrak/" + name} << "usr/lib/ostrak/" + name;
        QTest::newRow("a folder of that name is passed over")
            << QStringList{"usr/bin/" + name + "/", "x:usr/lib/ostrak/" + name} << "usr/lib/ostrak/" + name;
        QTest::newRow("none: the place beside the program") << QStringList{} << "usr/bin/" + name;
    }
    void companion()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const CInstallLayout layout(makeTree(dir, files), false);
        QCOMPARE(relative(dir, layout.companion(QStringLiteral("ostrak-test-companion"))), expected);
    }

    void dataFile_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("shared");
        QTest::newRow("build tree") << QStringList{"usr/bin/OSTRAK.FNL"} << "OSTRAK.FNL" << "usr/bin/OSTRAK.FNL" << "";
        QTest::newRow("installed") << QStringList{"usr/share/ostrak/OSTRAK.FNL"} << "OSTRAK.FNL"
                                   << "usr/share/ostrak/OSTRAK.FNL" << "usr/share/ostrak/OSTRAK.FNL";
        QTest::newRow("a folder") << QStringList{"usr/share/ostrak/OstrakPerl/"} << "OstrakPerl"
                                  << "usr/share/ostrak/OstrakPerl" << "usr/share/ostrak/OstrakPerl";
        QTest::newRow("beside first; defaults only from share")
            << QStringList{"usr/bin/Ostrak.cfg", "usr/share/ostrak/Ostrak.cfg"} << "Ostrak.cfg" << "usr/bin/Ostrak.cfg"
            << "usr/share/ostrak/Ostrak.cfg";
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
        QTest::addColumn<bool>("unprivileged");
        QTest::newRow("writable folder") << "bin" << 0755 << true << true;
        QTest::newRow("read-only folder") << "bin" << 0555 << false << true;
        QTest::newRow("missing folder") << "gone" << 0 << false << true;
        // Root could write there, and still leaves no settings behind.
        QTest::newRow("system folder") << "/usr/bin" << 0 << false << false;
        QTest::newRow("system folder by another path") << "/usr/../usr/local/bin" << 0 << false << false;
    }
    // Permissions are those of a user who is not root, where the row says so.
    void settingsPlace()
    {
        QFETCH(QString, folder);
        QFETCH(int, mode);
        QFETCH(bool, beside);
        QFETCH(bool, unprivileged);
        QTemporaryDir dir;
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
        const QString program = QDir(dir.path()).filePath(folder);
        if (mode) {
            QVERIFY(QDir().mkpath(program));
            ::chmod(QFile::encodeName(program).constData(), mode_t(mode));
            QCOMPARE(::chown(QFile::encodeName(program).constData(), 65534, 65534), 0);   // the unprivileged user's
        }
        const QString expected = beside ? QDir(program).filePath(QStringLiteral("Ostrak.cfg"))
                                        : QStringLiteral("/home/u/.config/HALDEN/Ostrak.cfg");
        const auto check = [&] { return CSettingsPlace::choose(program, QStringLiteral("/home/u/.config")) == expected ? 0 : 1; };
        QCOMPARE(unprivileged ? CTestEnvironment::runUnprivileged(check) : check(), 0);
    }

    void seed_data()
    {
        QTest::addColumn<QByteArray>("previous");   // beside the program; null: none
        QTest::addColumn<QByteArray>("defaults");   // in share/ostrak; null: none
        QTest::addColumn<QByteArray>("userFile");   // null: none yet
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");   // "<missing>": no file made; "@tools/": that folder
        const QByteArray defaults("LOCAL_PERL_EXE=perl\r\nLOCAL_JAVAC_EXE=javac\r\nTAB_SIZE=4\r\nAUTO_INDENT=Y\r\n");
        QTest::newRow("defaults taken") << QByteArray() << defaults << QByteArray() << "TAB_SIZE" << "4";
        QTest::newRow("bare name found on PATH") << QByteArray() << defaults << QByteArray() << "LOCAL_PERL_EXE"
                                                 << "@tools/perl";
        QTest::newRow("bare name not on PATH: empty") << QByteArray() << defaults << QByteArray() << "LOCAL_JAVAC_EXE"
                                                      << "";
        QTest::newRow("a path stays") << QByteArray() << QByteArray("LOCAL_PERL_EXE=/opt/p/perl\r\n") << QByteArray()
                                      << "LOCAL_PERL_EXE" << "/opt/p/perl";
        QTest::newRow("settings left beside come first")
            << QByteArray("TAB_SIZE=8\r\n") << defaults << QByteArray() << "TAB_SIZE" << "8";
        QTest::newRow("an existing file is kept") << QByteArray() << defaults << QByteArray("TAB_SIZE=2\r\n")
                                                  << "TAB_SIZE" << "2";
        QTest::newRow("nothing to start from") << QByteArray() << QByteArray() << QByteArray() << "TAB_SIZE"
                                               << "<missing>";
    }
    void seed()
    {
        QFETCH(QByteArray, previous);
        QFETCH(QByteArray, defaults);
        QFETCH(QByteArray, userFile);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QStringList files;
        const QString beside = dir.filePath(QStringLiteral("usr/bin/Ostrak.cfg"));
        const QString shared = dir.filePath(QStringLiteral("usr/share/ostrak/Ostrak.cfg"));
        const QString user = dir.filePath(QStringLiteral("home/.config/HALDEN/Ostrak.cfg"));
        const QString tools = dir.filePath(QStringLiteral("tools"));
        for (const auto &[path, bytes] : {std::pair{beside, previous}, {shared, defaults}, {user, userFile}}) {
            if (bytes.isNull())
                continue;
            QDir().mkpath(QFileInfo(path).path());
            CTestEnvironment::writeFile(path, bytes);
        }
        makeTree(dir, {"x:tools/perl"});

        const QString why = CSettingsPlace::seed(user, {beside, shared}, tools + QStringLiteral(":/nonexistent"));
        QCOMPARE(why, QString());
        if (expected == QLatin1String("<missing>")) {
            QVERIFY(!QFileInfo::exists(user));
            return;
        }
        if (expected.startsWith(QLatin1Char('@')))
            expected = dir.filePath(expected.mid(1));
        CSettings read;
        QVERIFY(CConfigFile::read(user, read));
        QCOMPARE(read.fileValue(key), expected);
        if (userFile.isNull()) {
            QCOMPARE(lines(user).size(), 30);
            struct stat st {};
            QCOMPARE(::stat(QFile::encodeName(user).constData(), &st), 0);
            QCOMPARE(st.st_mode & 07777, mode_t(0600));
        }
    }

    void seedFolderCannotBeMade()
    {
        QTemporaryDir dir;
        const QString blocker = dir.filePath(QStringLiteral("file"));
        CTestEnvironment::writeFile(blocker, "x");
        CTestEnvironment::writeFile(dir.filePath(QStringLiteral("defaults")), "TAB_SIZE=4\r\n");
        const QString why = CSettingsPlace::seed(blocker + QStringLiteral("/HALDEN/Ostrak.cfg"),
                                                 {dir.filePath(QStringLiteral("defaults"))}, QString());
        QVERIFY2(why.contains(blocker), qPrintable(why));
    }

    // A program in a system folder with no defaults beside it: the first
    // save makes the user's folder and file.
    void firstSaveMakesUserFolder()
    {
        QStandardPaths::setTestModeEnabled(true);
        const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QDir(config + QStringLiteral("/HALDEN")).removeRecursively();
        COstrakApp app(QStringLiteral("/bin"));   // "/bin/../share/ostrak" holds no defaults
        QCOMPARE(app.configPath(), config + QStringLiteral("/HALDEN/Ostrak.cfg"));
        QVERIFY(!app.ReadConfiguration());
        CSettings values;
        values.TAB_SIZE = QStringLiteral("5");
        QCOMPARE(app.saveSettings(values), QString());
        QCOMPARE(app.settings().TAB_SIZE, QStringLiteral("5"));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/bin/Ostrak.cfg")));
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
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("textStart");
        using L = CCommandLine;
        QTest::newRow("nothing") << QStringList{"ostrak"} << int(L::Start) << "" << 0 << "";
        QTest::newRow("a script") << QStringList{"ostrak", "a.pl"} << int(L::Start) << "a.pl" << 0 << "";
        QTest::newRow("--help") << QStringList{"/usr/bin/ostrak", "--help"} << int(L::ShowHelp) << "" << 0
                                << "Usage: ostrak [options] [script]";
        QTest::newRow("-h after a script") << QStringList{"ostrak", "a.pl", "-h"} << int(L::ShowHelp) << "a.pl" << 0
                                           << "Usage:";
        QTest::newRow("--version") << QStringList{"ostrak", "--version"} << int(L::ShowVersion) << "" << 0
                                   << "ostrak " + CCommandLine::versionNumber() + "\n";
        QTest::newRow("version after an unknown option") << QStringList{"ostrak", "-platform", "--version"}
                                                         << int(L::ShowVersion) << "" << 0 << "ostrak ";
        QTest::newRow("unknown option") << QStringList{"ostrak", "--frob"} << int(L::Refuse) << "" << 2
                                        << "ostrak: unknown option --frob";
        QTest::newRow("-- ends the options") << QStringList{"ostrak", "--", "--help"} << int(L::Start) << "--help" << 0
                                             << "";
        QTest::newRow("a lone - is a name") << QStringList{"ostrak", "-"} << int(L::Start) << "-" << 0 << "";
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, action);
        QFETCH(QString, file);
        QFETCH(int, exitCode);
        QFETCH(QString, textStart);
        const CCommandLine line = CCommandLine::parse(args);
        QCOMPARE(int(line.action()), action);
        QCOMPARE(line.fileName(), file);
        QCOMPARE(line.exitCode(), exitCode);
        if (textStart.isEmpty())
            QCOMPARE(line.text(), QString());
        else
            QVERIFY2(line.text().startsWith(textStart), qPrintable(line.text()));
    }
};

QTEST_GUILESS_MAIN(TestInstallLayout)
#include "tst_installlayout.moc"
