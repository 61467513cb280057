#include "CFrameFixture.h"
#include "CModalHandler.h"

#include "app/CAtomicFile.h"
#include "app/CConfigFile.h"
#include "app/COstrakApp.h"
#include "editor/COstrakView.h"

#include <QtTest>
#include <QtWidgets>

#include <unistd.h>

// File Open, Save and Save As through the real file dialogs.
class TestFileCommands : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_fx.open();
        m_cwd = QDir::currentPath();
    }

    void cleanup()
    {
        QCOMPARE(QDir::currentPath(), m_cwd);   // no command moves the process's folder
        m_fx.close();
    }

    // Open and Save As start in LOCAL_DIRECTORY, then where the last one
    // ended (a cancelled one too), until the configuration is read again.
    void dialogsStartWhereTheLastEnded()
    {
        const QString local = makeFolder("local"), other = makeFolder("other");
        const QString saved = QDir(local).filePath("saved.pl");
        CTestEnvironment::writeFile(QDir(other).filePath("a.pl"), "print 1;\n");
        m_fx.env->writeConfig({"LOCAL_DIRECTORY=" + local});
        QString start;
        answerFileDialog(other, "a.pl", &start);
        QVERIFY(m_fx->OnFileOpen());
        QCOMPARE(start, local);
        QCOMPARE(m_fx->view()->bytes(), QByteArray("print 1;\n"));
        m_fx->view()->setBytes("print 2;\r\n", false);
        answerFileDialog(local, "saved.pl", &start);
        QVERIFY(m_fx->OnFileSaveAs());
        QCOMPARE(start, other);
        QCOMPARE(CTestEnvironment::readFile(saved), QByteArray("print 2;\r\n"));
        QVERIFY(!m_fx->document()->isModified());
        m_fx->view()->setBytes("print 3;\n", false);
        QVERIFY(m_fx->OnFileSave());   // asks nothing
        QCOMPARE(CTestEnvironment::readFile(saved), QByteArray("print 3;\n"));
        answerFileDialog(other, QString(), &start);
        QVERIFY(!m_fx->OnFileOpen());
        QCOMPARE(start + m_fx.env->app().workingDirectory(), local + other);
        m_fx.env->app().ReadConfiguration();
        answerFileDialog(other, QString(), &start);
        m_fx->OnFileOpen();
        QCOMPARE(start, local);
    }

    void modifiedScriptIsOfferedForSaving_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("proceeds");
        QTest::addColumn<bool>("saved");
        QTest::newRow("yes saves") << int(QMessageBox::Yes) << true << true;
        QTest::newRow("no discards") << int(QMessageBox::No) << true << false;
        QTest::newRow("cancel stays") << int(QMessageBox::Cancel) << false << false;
    }

    void modifiedScriptIsOfferedForSaving()
    {
        QFETCH(int, answer);
        QFETCH(bool, proceeds);
        QFETCH(bool, saved);
        const QString path = m_fx.env->path("s.pl");
        CTestEnvironment::writeFile(path, "old\n");
        QVERIFY(m_fx->OpenDocumentFile(path));
        m_fx->view()->setFocus();
        QTest::keyClicks(m_fx->view(), "new ");
        QString question;
        answerNextMessageBox(QMessageBox::StandardButton(answer), &question);
        QCOMPARE(m_fx->OnFileNew(), proceeds);
        QVERIFY(question.contains("s.pl"));
        QCOMPARE(CTestEnvironment::readFile(path), saved ? QByteArray("new old\n") : QByteArray("old\n"));
        // Closing the window asks the same.
        m_fx->show();
        m_fx->view()->setBytes("changed", false);
        answerNextMessageBox(proceeds ? QMessageBox::No : QMessageBox::Cancel);
        QCOMPARE(m_fx->close(), proceeds);
    }

    void openMissingFileReportsIt()
    {
        QString text;
        answerNextMessageBox(QMessageBox::Ok, &text);
        QVERIFY(!m_fx->OpenDocumentFile(m_fx.env->path("nothere.pl")));
        QVERIFY2(text.contains("nothere.pl"), qPrintable(text));
        QCOMPARE(m_fx->document()->title(), QStringLiteral("Untitled"));
    }

    void droppedFileOpens()
    {
        const QString path = m_fx.env->path("dropped.pl");
        CTestEnvironment::writeFile(path, "print 'dropped';\n");
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_fx.frame.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_fx.frame.get(), &drop);
        QCOMPARE(m_fx->view()->bytes(), QByteArray("print 'dropped';\n"));
    }

    // A save killed halfway leaves a hidden file beside its target; the next
    // open or write there removes it when its process is gone, and nothing else.
    void killedSaveIsCleanedUp_data()
    {
        QTest::addColumn<QString>("trigger");
        for (const char *trigger : {"open", "save", "download", "settings"})
            QTest::addRow("%s", trigger) << QString::fromLatin1(trigger);
    }

    void killedSaveIsCleanedUp()
    {
        QFETCH(QString, trigger);
        CTestEnvironment &env = *m_fx.env;
        const QString name = trigger == QLatin1String("settings") ? QStringLiteral("Ostrak.cfg") : QStringLiteral("big.pl");
        const QString target = env.path(name);
        const QByteArray old = "OSTRAK_TAB_WIDTH=4\r\n";
        CTestEnvironment::writeFile(target, old);

        QProcess saver;
        saver.start(QStringLiteral(INTERRUPTED_SAVE), {target, QStringLiteral("50")});
        QVERIFY2(saver.waitForReadyRead(60000), qPrintable(saver.errorString()));
        const QString leftover = QString::fromLocal8Bit(saver.readLine().trimmed());
        const QString dead = QString::number(saver.processId());
        QCOMPARE(leftover, env.path(QStringLiteral(".%1.ostrak-save-%2-").arg(name, dead)) + leftover.right(6));
        QVERIFY(QFileInfo(leftover).size() >= 25 << 20);
        saver.kill();
        QVERIFY(saver.waitForFinished());

        QProcess other;
        other.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(other.waitForStarted());
        const QString hidden = QLatin1Char('.') + name + QLatin1String(".ostrak-save-");
        const QString self = QString::number(::getpid());
        // File names beside the target and whether they must survive.
        const QList<std::pair<QString, bool>> files = {
            {leftover.mid(leftover.lastIndexOf(QLatin1Char('/')) + 1), false},
            {hidden + QString::number(other.processId()) + QLatin1String("-Qw3rty"), false},
            {name + QLatin1String(".s5eon9"), true},
            {hidden + self + QLatin1String("-abcdef"), true},
            {hidden + dead + QLatin1String("-abc"), true},
            {hidden + dead + QLatin1String("-abcdef~"), true},
            {hidden + QLatin1String("0") + dead + QLatin1String("-abcdef"), true},
            {QLatin1String(".x") + name + QLatin1String(".ostrak-save-") + dead + QLatin1String("-abcdef"), true},
        };
        for (const auto &[file, kept] : files)
            if (kept)
                CTestEnvironment::writeFile(env.path(file), "user's " + file.toUtf8());
        QDir().mkdir(env.path(hidden + dead + QLatin1String("-folder")));
        QCOMPARE(CTestEnvironment::readFile(target), old);

        COstrakDoc &doc = *m_fx->document();
        COstrakView &view = *m_fx->view();
        QByteArray expected = old;
        if (trigger == QLatin1String("open")) {
            QCOMPARE(doc.OnOpenDocument(target), QString());
            QCOMPARE(view.bytes(), old);
        } else if (trigger == QLatin1String("save")) {
            QCOMPARE(doc.OnOpenDocument(env.path(QStringLiteral("big.pl.s5eon9"))), QString());
            QCOMPARE(doc.OnSaveDocument(target), QString());
            expected = view.bytes();
        } else if (trigger == QLatin1String("download")) {
            CAtomicFile download(target);
            expected = "downloaded";
            QCOMPARE(download.open(), QString());
            QCOMPARE(download.append(expected), QString());
            QCOMPARE(download.commit(), QString());
        } else {
            QVERIFY(env.app().WriteConfiguration(env.app().settings()));
            expected = CConfigFile::format(env.app().settings());
        }
        other.kill();
        other.waitForFinished();

        QCOMPARE(CTestEnvironment::readFile(target), expected);
        for (const auto &[file, kept] : files) {
            QVERIFY2(QFile::exists(env.path(file)) == kept, qPrintable(file));
            if (kept)
                QCOMPARE(CTestEnvironment::readFile(env.path(file)), "user's " + file.toUtf8());
        }
        QVERIFY(QFileInfo(env.path(hidden + dead + QLatin1String("-folder"))).isDir());
    }

private:
    QString makeFolder(const QString &name)
    {
        QDir(m_fx.env->programDir()).mkpath(name);
        return QDir(m_fx.env->path(name)).canonicalPath();
    }

    // Schedules the next file dialog: notes where it starts, moves to
    // `folder`, then types `fileName` and accepts, or cancels when it is empty.
    void answerFileDialog(const QString &folder, const QString &fileName, QString *startFolder)
    {
        handleNextModal([=](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            QVERIFY2(dialog, w->metaObject()->className());
            *startFolder = dialog->directory().absolutePath();
            // The dialog lists folders asynchronously and may rewrite the file
            // name when a listing arrives: let the listing settle first.
            QSignalSpy loaded(dialog->findChild<QFileSystemModel *>(), &QFileSystemModel::directoryLoaded);
            dialog->setDirectory(folder);
            if (fileName.isEmpty())
                return dialog->reject();
            loaded.wait(1000);
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(fileName);
            static_cast<QDialog *>(dialog)->accept();
            if (dialog->isVisible())
                dialog->reject();
        });
    }

    CFrameFixture m_fx;
    QString m_cwd;
};

QTEST_MAIN(TestFileCommands)
#include "tst_filecommands.moc"
