#include "CTestEnvironment.h"

#include "app/CAtomicFile.h"
#include "editor/CLineEnds.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"

#include <QDir>
#include <QTest>

#include <sys/stat.h>

// The script's bytes from disk to the editor and back, and the line-end conversions.
class TestDocument : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<CTestEnvironment>();
        m_view = std::make_unique<COstrakView>();
        m_doc = std::make_unique<COstrakDoc>(m_view.get(), m_env->app());
    }

    void cleanup()
    {
        m_doc.reset();
        m_view.reset();
        m_env.reset();
    }

    void rawRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("CR LF") << QByteArray("#!/usr/bin/perl\r\nprint \"hi\\n\";\r\n");
        QTest::newRow("mixed and lone CR") << QByteArray("a\r\nb\nc\rd\r\r\n");
        QTest::newRow("invalid UTF-8") << QByteArray("caf\xe9 \xff\xfe \xc3\x28 \xe2\x82\n");
        QTest::newRow("valid UTF-8") << QByteArray("my $s = \"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\";\n");
        QTest::newRow("NUL bytes") << QByteArray("a\0b\0\0c\n", 7);
        QTest::newRow("empty") << QByteArray();
    }

    // Saving keeps the bytes and the file's permissions.
    void rawRoundTrip()
    {
        QFETCH(QByteArray, bytes);
        const QString in = m_env->path("in.pl");
        CTestEnvironment::writeFile(in, bytes);
        ::chmod(QFile::encodeName(in).constData(), 0751);
        QCOMPARE(m_doc->OnOpenDocument(in), QString());
        QCOMPARE(m_view->bytes(), bytes);
        QVERIFY(!m_doc->isModified());
        QCOMPARE(m_doc->OnSaveDocument(in), QString());
        QCOMPARE(CTestEnvironment::readFile(in), bytes);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(in).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, 0751u);
        QCOMPARE(QDir(m_env->programDir()).entryList(QDir::Files), QStringList{"in.pl"});
    }

    void newDocument_data()
    {
        QTest::addColumn<QStringList>("config");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("no configuration file") << QStringList() << QByteArray("#!\r\n");
        QTest::newRow("REMOTE_PERL_EXE set") << QStringList{"REMOTE_PERL_EXE=/usr/bin/perl -w"}
                                             << QByteArray("#!/usr/bin/perl -w\r\n");
    }

    void newDocument()
    {
        QFETCH(QStringList, config);
        QFETCH(QByteArray, text);
        if (!config.isEmpty())
            m_env->writeConfig(config);
        m_view->setBytes("old", false);
        m_doc->OnNewDocument();
        QCOMPARE(m_view->bytes(), text);
        QVERIFY(!m_doc->isModified());
        QCOMPARE(m_doc->title(), QStringLiteral("Untitled"));
    }

    void conversions_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("dos");
        QTest::addColumn<QByteArray>("unix");
        QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("LF") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n") << QByteArray("a\nb\n");
        QTest::newRow("CR LF stays, no CR CR LF") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\r\n")
                                                  << QByteArray("a\nb\n");
        QTest::newRow("lone CR kept") << QByteArray("a\rb\n") << QByteArray("a\rb\r\n") << QByteArray("a\rb\n");
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\n") << QByteArray("a\r\r\n") << QByteArray("a\r\n");
        QTest::newRow("NUL and invalid UTF-8 untouched")
            << QByteArray("\xff\0\n", 3) << QByteArray("\xff\0\r\n", 4) << QByteArray("\xff\0\n", 3);
    }

    // Each conversion is one undoable edit that marks the script modified.
    void conversions()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, dos);
        QFETCH(QByteArray, unix);
        QCOMPARE(CLineEnds::toDos(CLineEnds::toDos(text)), dos);
        QCOMPARE(CLineEnds::toUnix(text), unix);
        m_view->setBytes(text);
        m_doc->setModified(false);
        m_doc->convertToDos();
        QCOMPARE(m_view->bytes(), dos);
        QVERIFY(m_doc->isModified());
        m_doc->convertToUnix();
        QCOMPARE(m_view->bytes(), CLineEnds::toUnix(dos));
        m_view->undo();
        QCOMPARE(m_view->bytes(), dos);
        m_view->undo();
        QCOMPARE(m_view->bytes(), text);
    }

    // A failed save leaves the old file whole and the script modified.
    void failedSaveKeepsOldFile()
    {
        QDir(m_env->programDir()).mkdir("ro");
        const QString path = m_env->path("ro/script.pl");
        CTestEnvironment::writeFile(path, "old content\n");
        QCOMPARE(m_doc->OnOpenDocument(path), QString());
        m_view->setBytes("new content\n", false);
        m_env->makeReadOnlyFolder(m_env->path("ro"));
        const QByteArray text = m_view->bytes();
        const int failed = CTestEnvironment::runUnprivileged([&] { return !CAtomicFile::write(path, text).isEmpty(); });
        ::chmod(QFile::encodeName(m_env->path("ro")).constData(), 0700);
        QCOMPARE(failed, 1);
        QCOMPARE(CTestEnvironment::readFile(path), QByteArray("old content\n"));
        QCOMPARE(QDir(m_env->path("ro")).entryList(QDir::Files | QDir::Hidden), QStringList{"script.pl"});
        QVERIFY(!m_doc->OnSaveDocument(m_env->path("no/such/folder/x.pl")).isEmpty());
        QVERIFY(m_doc->isModified());
        QCOMPARE(m_doc->pathName(), path);
        // Neither a missing file nor a folder opens.
        QVERIFY(!m_doc->OnOpenDocument(m_env->path("missing.pl")).isEmpty());
        QVERIFY(!m_doc->OnOpenDocument(m_env->programDir()).isEmpty());
        QCOMPARE(m_view->bytes(), text);
    }

private:
    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<COstrakView> m_view;
    std::unique_ptr<COstrakDoc> m_doc;
};

QTEST_MAIN(TestDocument)
#include "tst_document.moc"
