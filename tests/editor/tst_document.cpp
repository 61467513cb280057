#include "CTestEnvironment.h"

#include "app/CAtomicFile.h"
#include "app/COstrakApp.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

class TestDocument : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rawRoundTrip_data();
    void rawRoundTrip();
    void newDocument_data();
    void newDocument();
    void convertToDosThenSave();
    void conversionsMarkModified();
    void conversionIsOneUndoStep();
    void editMarksModifiedAndSaveClears();
    void failedSaveKeepsOldFile();
    void saveKeepsPermissions();
    void openFailureLeavesDocument();

private:
    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<COstrakView> m_view;
    std::unique_ptr<COstrakDoc> m_doc;
};

void TestDocument::init()
{
    m_env = std::make_unique<CTestEnvironment>();
    m_view = std::make_unique<COstrakView>();
    m_doc = std::make_unique<COstrakDoc>(m_view.get(), m_env->app());
}

void TestDocument::cleanup()
{
    m_doc.reset();
    m_view.reset();
    m_env.reset();
}

void TestDocument::rawRoundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("CR LF") << QByteArray("#!/usr/bin/perl\r\nprint \"hi\\n\";\r\n");
    QTest::newRow("LF") << QByteArray("#!/usr/bin/perl\nprint 1;\n");
    QTest::newRow("lone CR") << QByteArray("a\rb\rc");
    QTest::newRow("mixed") << QByteArray("a\r\nb\nc\rd\r\r\n");
    QTest::newRow("invalid UTF-8") << QByteArray("caf\xe9 \xff\xfe \xc3\x28 \xe2\x82\n");
    QTest::newRow("valid UTF-8") << QByteArray("my $s = \"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\";\n");
    QTest::newRow("NUL bytes") << QByteArray("a\0b\0\0c\n", 7);
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no final line end") << QByteArray("print 1;");
}

void TestDocument::rawRoundTrip()
{
    QFETCH(QByteArray, bytes);
    const QString in = m_env->path("in.pl");
    const QString out = m_env->path("out.pl");
    CTestEnvironment::writeFile(in, bytes);
    QCOMPARE(m_doc->OnOpenDocument(in), QString());
    QCOMPARE(m_view->bytes(), bytes);
    QVERIFY(!m_doc->isModified());
    QCOMPARE(m_doc->OnSaveDocument(out), QString());
    QCOMPARE(CTestEnvironment::readFile(out), bytes);
    QCOMPARE(m_doc->pathName(), out);
    QCOMPARE(m_doc->title(), QStringLiteral("out.pl"));
}

void TestDocument::newDocument_data()
{
    QTest::addColumn<QStringList>("config");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("no configuration file") << QStringList() << QByteArray("#!\r\n");
    QTest::newRow("REMOTE_PERL_EXE set") << QStringList{"REMOTE_PERL_EXE=/usr/bin/perl -w"}
                                         << QByteArray("#!/usr/bin/perl -w\r\n");
    QTest::newRow("REMOTE_PERL_EXE empty") << QStringList{"REMOTE_PERL_EXE="} << QByteArray("#!\r\n");
}

void TestDocument::newDocument()
{
    QFETCH(QStringList, config);
    QFETCH(QByteArray, text);
    if (!config.isEmpty())
        m_env->writeConfig(config);
    QSignalSpy reset(m_doc.get(), &COstrakDoc::documentReset);
    m_doc->OnNewDocument();
    QCOMPARE(m_view->bytes(), text);
    QVERIFY(!m_doc->isModified());
    QCOMPARE(m_doc->pathName(), QString());
    QCOMPARE(m_doc->title(), QStringLiteral("Untitled"));
    QCOMPARE(reset.count(), 1);
}

void TestDocument::convertToDosThenSave()
{
    const QString path = m_env->path("lf.pl");
    const QByteArray lf("line1\nline2\nline3\n");
    CTestEnvironment::writeFile(path, lf);
    QCOMPARE(m_doc->OnOpenDocument(path), QString());
    m_doc->convertToDos();
    QCOMPARE(m_doc->OnSaveDocument(path), QString());
    const QByteArray saved = CTestEnvironment::readFile(path);
    QCOMPARE(saved, QByteArray("line1\r\nline2\r\nline3\r\n"));
    QCOMPARE(saved.size(), lf.size() + 3);
    m_doc->convertToDos();
    QCOMPARE(m_view->bytes(), saved);   // no CR CR LF
    m_doc->convertToUnix();
    QCOMPARE(m_view->bytes(), lf);
}

void TestDocument::conversionsMarkModified()
{
    m_view->setBytes(QByteArray());
    m_doc->setModified(false);
    m_doc->convertToUnix();
    QVERIFY(m_doc->isModified());
    QCOMPARE(m_view->bytes(), QByteArray());
}

void TestDocument::conversionIsOneUndoStep()
{
    m_view->setBytes("a\nb\n");
    m_doc->convertToDos();
    QCOMPARE(m_view->bytes(), QByteArray("a\r\nb\r\n"));
    m_view->undo();
    QCOMPARE(m_view->bytes(), QByteArray("a\nb\n"));
}

void TestDocument::editMarksModifiedAndSaveClears()
{
    m_doc->OnNewDocument();
    QSignalSpy title(m_doc.get(), &COstrakDoc::titleChanged);
    m_view->setFocus();
    QTest::keyClicks(m_view.get(), "x");
    QVERIFY(m_doc->isModified());
    QVERIFY(title.count() >= 1);
    QCOMPARE(m_doc->OnSaveDocument(m_env->path("x.pl")), QString());
    QVERIFY(!m_doc->isModified());
    QCOMPARE(CTestEnvironment::readFile(m_env->path("x.pl")), m_view->bytes());
}

void TestDocument::failedSaveKeepsOldFile()
{
    QDir(m_env->programDir()).mkdir("ro");
    const QString path = m_env->path("ro/script.pl");
    CTestEnvironment::writeFile(path, "old content\n");
    QCOMPARE(m_doc->OnOpenDocument(path), QString());
    m_view->setBytes("new content\n", false);
    m_env->makeReadOnlyFolder(m_env->path("ro"));
    // The document's save path, without the widget work, in the unprivileged child.
    const QByteArray text = m_view->bytes();
    const int failed = CTestEnvironment::runUnprivileged([&] { return CAtomicFile::write(path, text).isEmpty() ? 0 : 1; });
    ::chmod(QFile::encodeName(m_env->path("ro")).constData(), 0700);
    QCOMPARE(failed, 1);
    QCOMPARE(CTestEnvironment::readFile(path), QByteArray("old content\n"));
    QCOMPARE(QDir(m_env->path("ro")).entryList(QDir::Files | QDir::Hidden), QStringList{"script.pl"});

    // A save the document itself makes and that fails keeps the document modified.
    const QString error = m_doc->OnSaveDocument(m_env->path("no/such/folder/x.pl"));
    QVERIFY(!error.isEmpty());
    QVERIFY(m_doc->isModified());
    QCOMPARE(m_doc->pathName(), path);
}

void TestDocument::saveKeepsPermissions()
{
    const QString path = m_env->path("tool.pl");
    CTestEnvironment::writeFile(path, "print 1;\n");
    ::chmod(QFile::encodeName(path).constData(), 0751);
    QCOMPARE(m_doc->OnOpenDocument(path), QString());
    m_view->setBytes("print 2;\n", false);
    QCOMPARE(m_doc->OnSaveDocument(path), QString());
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, 0751u);
    QCOMPARE(CTestEnvironment::readFile(path), QByteArray("print 2;\n"));
}

void TestDocument::openFailureLeavesDocument()
{
    m_doc->OnNewDocument();
    const QByteArray before = m_view->bytes();
    QVERIFY(!m_doc->OnOpenDocument(m_env->path("missing.pl")).isEmpty());
    QVERIFY(!m_doc->OnOpenDocument(m_env->programDir()).isEmpty());
    QCOMPARE(m_view->bytes(), before);
    QCOMPARE(m_doc->pathName(), QString());
}

QTEST_MAIN(TestDocument)
#include "tst_document.moc"
