#include "CModalHandler.h"
#include "CTestEnvironment.h"

#include "app/CMainFrame.h"
#include "app/COstrakApp.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSettings>
#include <QTest>

// Drives File Open, Save and Save As through the real file dialogs.
class TestFileCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openStartsInWorkingDirectoryAndStoresChosenFolder();
    void openWithoutConfigurationStartsInCurrentFolder();
    void cancelledOpenStillStoresFolder();
    void saveAsTwiceStartsInFolderOfFirstSave();
    void cancelledSaveAsStoresFolderAndSavesNothing();
    void modifiedScriptIsOfferedForSaving_data();
    void modifiedScriptIsOfferedForSaving();
    void closeWithCancelKeepsWindow();
    void openMissingFileReportsIt();
    void recentFilesHoldFour();
    void titleShowsNameAndModifiedMark();
    void droppedFileOpens();

private:
    // Schedules the next file dialog: checks where it starts, moves to
    // `folder`, then accepts `fileName` in it or cancels when it is empty.
    void answerFileDialog(const QString &folder, const QString &fileName, QString *startFolder);
    QString makeFolder(const QString &name);

    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<CMainFrame> m_frame;
    QString m_cwd;
};

void TestFileCommands::init()
{
    m_env = std::make_unique<CTestEnvironment>();
    m_frame = std::make_unique<CMainFrame>(m_env->app());
    m_frame->OnFileNew();
    m_cwd = QDir::currentPath();
}

void TestFileCommands::cleanup()
{
    QCOMPARE(QDir::currentPath(), m_cwd);   // no command moves the process's folder
    if (m_frame)
        m_frame->document()->setModified(false);
    m_frame.reset();
    m_env.reset();
}

QString TestFileCommands::makeFolder(const QString &name)
{
    QDir(m_env->programDir()).mkpath(name);
    return QDir(m_env->path(name)).canonicalPath();
}

void TestFileCommands::answerFileDialog(const QString &folder, const QString &fileName, QString *startFolder)
{
    handleNextModal([=](QWidget *w) {
        auto *dialog = qobject_cast<QFileDialog *>(w);
        if (!dialog) {
            qWarning("expected a file dialog, got %s", w->metaObject()->className());
            if (auto *d = qobject_cast<QDialog *>(w))
                d->reject();
            return;
        }
        if (startFolder)
            *startFolder = dialog->directory().absolutePath();
        // The dialog lists folders asynchronously and may rewrite the file
        // name when a listing arrives: let the listing settle first.
        auto *model = dialog->findChild<QFileSystemModel *>();
        QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
        dialog->setDirectory(folder);
        if (fileName.isEmpty()) {
            dialog->reject();
            return;
        }
        loaded.wait(1000);
        // Typed as a user would, into the dialog's file name field.
        auto *nameEdit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (!nameEdit) {
            qWarning("the file dialog has no file name field");
            dialog->reject();
            return;
        }
        nameEdit->setText(fileName);
        static_cast<QDialog *>(dialog)->accept();
        if (dialog->isVisible()) {
            qWarning("file dialog refused %s", qPrintable(fileName));
            dialog->reject();
        }
    });
}

void TestFileCommands::openStartsInWorkingDirectoryAndStoresChosenFolder()
{
    const QString local = makeFolder("local");
    const QString other = makeFolder("other");
    CTestEnvironment::writeFile(QDir(other).filePath("a.pl"), "print 1;\n");
    m_env->writeConfig({"LOCAL_DIRECTORY=" + local});

    QString start;
    answerFileDialog(other, "a.pl", &start);
    QVERIFY(m_frame->OnFileOpen());
    QCOMPARE(start, local);
    QCOMPARE(m_frame->document()->pathName(), QDir(other).filePath("a.pl"));
    QCOMPARE(m_frame->view()->bytes(), QByteArray("print 1;\n"));
    QCOMPARE(m_env->app().workingDirectory(), other);

    // The next Open starts where the last one ended ...
    answerFileDialog(other, QString(), &start);
    QVERIFY(!m_frame->OnFileOpen());
    QCOMPARE(start, other);
    // ... until the configuration is read again.
    m_env->app().ReadConfiguration();
    answerFileDialog(other, QString(), &start);
    m_frame->OnFileOpen();
    QCOMPARE(start, local);
}

void TestFileCommands::openWithoutConfigurationStartsInCurrentFolder()
{
    QCOMPARE(m_env->app().workingDirectory(), QString());
    QString start;
    answerFileDialog(m_cwd, QString(), &start);
    QVERIFY(!m_frame->OnFileOpen());
    QCOMPARE(start, m_cwd);
}

void TestFileCommands::cancelledOpenStillStoresFolder()
{
    const QString other = makeFolder("went/here");
    answerFileDialog(other, QString(), nullptr);
    QVERIFY(!m_frame->OnFileOpen());
    QCOMPARE(m_env->app().workingDirectory(), other);
    QCOMPARE(m_frame->document()->title(), QStringLiteral("Untitled"));
}

void TestFileCommands::saveAsTwiceStartsInFolderOfFirstSave()
{
    const QString first = makeFolder("first");
    const QString second = makeFolder("second");
    m_env->writeConfig({"LOCAL_DIRECTORY=" + first});
    m_frame->view()->setBytes("print 2;\r\n", false);

    QString start;
    answerFileDialog(second, "saved.pl", &start);
    QVERIFY(m_frame->OnFileSaveAs());
    QCOMPARE(start, first);
    QCOMPARE(CTestEnvironment::readFile(QDir(second).filePath("saved.pl")), QByteArray("print 2;\r\n"));
    QVERIFY(!m_frame->document()->isModified());

    answerFileDialog(second, "again.pl", &start);
    QVERIFY(m_frame->OnFileSaveAs());
    QCOMPARE(start, second);
    QCOMPARE(m_frame->document()->pathName(), QDir(second).filePath("again.pl"));

    // Save with a path asks nothing.
    m_frame->view()->setBytes("print 3;\n", false);
    QVERIFY(m_frame->OnFileSave());
    QCOMPARE(CTestEnvironment::readFile(QDir(second).filePath("again.pl")), QByteArray("print 3;\n"));
}

void TestFileCommands::cancelledSaveAsStoresFolderAndSavesNothing()
{
    const QString other = makeFolder("cancelled");
    m_frame->view()->setBytes("x", false);
    answerFileDialog(other, QString(), nullptr);
    QVERIFY(!m_frame->OnFileSave());   // untitled: Save asks for a name
    QCOMPARE(m_env->app().workingDirectory(), other);
    QVERIFY(m_frame->document()->isModified());
    QVERIFY(QDir(other).entryList(QDir::Files).isEmpty());
}

void TestFileCommands::modifiedScriptIsOfferedForSaving_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("proceeds");
    QTest::addColumn<bool>("saved");
    QTest::newRow("yes saves") << int(QMessageBox::Yes) << true << true;
    QTest::newRow("no discards") << int(QMessageBox::No) << true << false;
    QTest::newRow("cancel stays") << int(QMessageBox::Cancel) << false << false;
}

void TestFileCommands::modifiedScriptIsOfferedForSaving()
{
    QFETCH(int, answer);
    QFETCH(bool, proceeds);
    QFETCH(bool, saved);
    const QString path = m_env->path("s.pl");
    CTestEnvironment::writeFile(path, "old\n");
    QVERIFY(m_frame->OpenDocumentFile(path));
    m_frame->view()->setFocus();
    QTest::keyClicks(m_frame->view(), "new ");
    QVERIFY(m_frame->document()->isModified());

    QString question;
    answerNextMessageBox(QMessageBox::StandardButton(answer), &question);
    QCOMPARE(m_frame->OnFileNew(), proceeds);
    QVERIFY(question.contains("s.pl"));
    QCOMPARE(CTestEnvironment::readFile(path), saved ? QByteArray("new old\n") : QByteArray("old\n"));
    QCOMPARE(m_frame->document()->title(), proceeds ? QStringLiteral("Untitled") : QStringLiteral("s.pl"));
}

void TestFileCommands::closeWithCancelKeepsWindow()
{
    m_frame->show();
    m_frame->view()->setBytes("changed", false);
    QVERIFY(m_frame->document()->isModified());
    answerNextMessageBox(QMessageBox::Cancel);
    QVERIFY(!m_frame->close());
    QVERIFY(m_frame->isVisible());
    answerNextMessageBox(QMessageBox::No);
    QVERIFY(m_frame->close());
}

void TestFileCommands::openMissingFileReportsIt()
{
    QString text;
    answerNextMessageBox(QMessageBox::Ok, &text);
    QVERIFY(!m_frame->OpenDocumentFile(m_env->path("nothere.pl")));
    QVERIFY2(text.contains("nothere.pl"), qPrintable(text));
    QCOMPARE(m_frame->document()->title(), QStringLiteral("Untitled"));
}

void TestFileCommands::recentFilesHoldFour()
{
    QStringList paths;
    for (int i = 0; i < 6; ++i) {
        paths << m_env->path(QStringLiteral("r%1.pl").arg(i));
        CTestEnvironment::writeFile(paths.last(), "1;\n");
        QVERIFY(m_frame->OpenDocumentFile(paths.last()));
    }
    QVERIFY(m_frame->OpenDocumentFile(paths[3]));
    const QStringList recent = m_frame->recentFiles();
    QCOMPARE(recent, (QStringList{paths[3], paths[5], paths[4], paths[2]}));
}

void TestFileCommands::titleShowsNameAndModifiedMark()
{
    const QString path = m_env->path("t.pl");
    CTestEnvironment::writeFile(path, "1;\n");
    QVERIFY(m_frame->OpenDocumentFile(path));
    QCOMPARE(m_frame->windowTitle(), QStringLiteral("t.pl[*] - Ostrak"));
    QVERIFY(!m_frame->isWindowModified());
    m_frame->view()->setBytes("2;\n", false);
    QVERIFY(m_frame->isWindowModified());
}

void TestFileCommands::droppedFileOpens()
{
    const QString path = m_env->path("dropped.pl");
    CTestEnvironment::writeFile(path, "print 'dropped';\n");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_frame.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_frame.get(), &drop);
    QCOMPARE(m_frame->document()->pathName(), path);
    QCOMPARE(m_frame->view()->bytes(), QByteArray("print 'dropped';\n"));
}

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
