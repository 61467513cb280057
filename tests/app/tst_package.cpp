#include "CCommandRun.h"

#include <QtTest>

// The Debian package that `cpack -G DEB` makes from the build tree.
class TestPackage : public QObject
{
    Q_OBJECT

    QTemporaryDir m_out;
    QString m_deb;
    QString m_listing;

private slots:
    void initTestCase()
    {
        QVERIFY2(m_out.isValid(), "no temporary folder");
        QString output;
        QString failed = runCommand(QStringLiteral("cpack"), {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"),
                                                              m_out.path(), QStringLiteral("--config"),
                                                              QStringLiteral(OSTRAK_BUILD_DIR "/CPackConfig.cmake")},
                                    {}, &output, 600000);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        const QStringList debs = QDir(m_out.path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
        QCOMPARE(debs, QStringList{QStringLiteral("ostrak_" OSTRAK_VERSION "_amd64.deb")});
        m_deb = m_out.filePath(debs.first());
        failed = runCommand(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), m_deb}, {}, &m_listing);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }

    void contents_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("mode");
        const QString program = QStringLiteral("-rwxr-xr-x");
        const QString file = QStringLiteral("-rw-r--r--");
        QTest::newRow("editor") << "./usr/bin/ostrak" << program;
        QTest::newRow("launcher") << "./usr/lib/ostrak/korbu" << program;
        QTest::newRow("browser") << "./usr/lib/ostrak/ostrak-browser" << program;
        QTest::newRow("functions") << "./usr/share/ostrak/OSTRAK.FNL" << file;
        QTest::newRow("perl module") << "./usr/share/ostrak/OstrakPerl/OstrakAutoflush.pm" << file;
        QTest::newRow("default settings") << "./usr/share/ostrak/Ostrak.cfg" << file;
        QTest::newRow("desktop entry") << "./usr/share/applications/org.halden.Ostrak.desktop" << file;
        QTest::newRow("metainfo") << "./usr/share/metainfo/org.halden.Ostrak.metainfo.xml" << file;
        QTest::newRow("scalable icon") << "./usr/share/icons/hicolor/scalable/apps/org.halden.Ostrak.svg" << file;
        QTest::newRow("48 px icon") << "./usr/share/icons/hicolor/48x48/apps/org.halden.Ostrak.png" << file;
        QTest::newRow("no launcher among the programs") << "./usr/bin/korbu" << "";
        QTest::newRow("no data among the programs") << "./usr/bin/OSTRAK.FNL" << "";
        QTest::newRow("no settings shipped beside the program") << "./usr/bin/Ostrak.cfg" << "";
    }
    // dpkg-deb -c lines: mode, owner/group, size, date, time, path. An
    // empty mode: the path must not be there.
    void contents()
    {
        QFETCH(QString, path);
        QFETCH(QString, mode);
        QString line;
        for (const QString &l : m_listing.split(QLatin1Char('\n'))) {
            if (l.endsWith(QLatin1Char(' ') + path))
                line = l;
        }
        if (mode.isEmpty())
            QVERIFY2(line.isEmpty(), qPrintable(line));
        else
            QVERIFY2(line.startsWith(mode + QStringLiteral(" root/root")), qPrintable(line));
    }

    void fields_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("holds");
        QTest::newRow("name") << "Package" << "ostrak";
        QTest::newRow("architecture") << "Architecture" << "amd64";
        QTest::newRow("C library computed") << "Depends" << "libc6 (>=";
        QTest::newRow("Qt widgets computed") << "Depends" << "libqt6widgets6";
        QTest::newRow("editor component computed") << "Depends" << "libqscintilla2-qt6";
        QTest::newRow("browser engine of the companion") << "Depends" << "libqt6webenginewidgets6";
        QTest::newRow("perl recommended") << "Recommends" << "perl,";
        QTest::newRow("java compiler recommended") << "Recommends" << "default-jdk-headless";
        QTest::newRow("terminal recommended") << "Recommends" << "x-terminal-emulator";
        QTest::newRow("server client recommended") << "Recommends" << "telnet";
    }
    void fields()
    {
        QFETCH(QString, field);
        QFETCH(QString, holds);
        QString value;
        const QString failed = runCommand(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), m_deb, field}, {}, &value, 30000);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QVERIFY2(value.contains(holds), qPrintable(field + QStringLiteral(": ") + value));
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
