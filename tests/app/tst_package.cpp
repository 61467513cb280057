#include "CCommandRun.h"

#include <QtTest>

using namespace Qt::StringLiterals;

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
        QString failed = runCommand(u"cpack"_s, {u"-G"_s, u"DEB"_s, u"-B"_s, m_out.path(), u"--config"_s,
                                                  QStringLiteral(OSTRAK_BUILD_DIR "/CPackConfig.cmake")}, {}, &output, 600000);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        const QStringList debs = QDir(m_out.path()).entryList({u"*.deb"_s}, QDir::Files);
        QCOMPARE(debs, QStringList{QStringLiteral("ostrak_" OSTRAK_VERSION "_amd64.deb")});
        m_deb = m_out.filePath(debs.first());
        failed = runCommand(u"dpkg-deb"_s, {u"-c"_s, m_deb}, {}, &m_listing);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }

    void contents_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("mode");
        const QString program = u"-rwxr-xr-x"_s, file = u"-rw-r--r--"_s;
        QTest::newRow("editor") << "./usr/bin/ostrak" << program;
        QTest::newRow("launcher") << "./usr/lib/ostrak/korbu" << program;
        QTest::newRow("browser") << "./usr/lib/ostrak/ostrak-browser" << program;
        QTest::newRow("perl module") << "./usr/share/ostrak/OstrakPerl/OstrakAutoflush.pm" << file;
        QTest::newRow("default settings") << "./usr/share/ostrak/Ostrak.cfg" << file;
        QTest::newRow("scalable icon") << "./usr/share/icons/hicolor/scalable/apps/org.halden.Ostrak.svg" << file;
        QTest::newRow("48 px icon") << "./usr/share/icons/hicolor/48x48/apps/org.halden.Ostrak.png" << file;
        QTest::newRow("no launcher among the programs") << "./usr/bin/korbu" << "";
        QTest::newRow("no settings shipped beside the program") << "./usr/bin/Ostrak.cfg" << "";
    }
    // dpkg-deb -c lines: mode, owner/group, size, date, time, path. An
    // empty mode: the path must not be there.
    void contents()
    {
        QFETCH(QString, path);
        QFETCH(QString, mode);
        QString line;
        for (const QString &l : m_listing.split(u'\n'))
            if (l.endsWith(u' ' + path))
                line = l;
        QVERIFY2(mode.isEmpty() ? line.isEmpty() : line.startsWith(mode + u" root/root"_s), qPrintable(line));
    }

    void fields_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("holds");
        QTest::newRow("libraries computed") << "Depends" << "libqt6widgets6";
        QTest::newRow("editor component computed") << "Depends" << "libqscintilla2-qt6";
        QTest::newRow("browser engine of the companion") << "Depends" << "libqt6webenginewidgets6";
        QTest::newRow("perl recommended") << "Recommends" << "perl,";
    }
    void fields()
    {
        QFETCH(QString, field);
        QFETCH(QString, holds);
        QString value;
        const QString failed = runCommand(u"dpkg-deb"_s, {u"-f"_s, m_deb, field}, {}, &value, 30000);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QVERIFY2(value.contains(holds), qPrintable(field + u": "_s + value));
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
