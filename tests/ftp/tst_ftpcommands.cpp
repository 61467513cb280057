#include "CFrameFixture.h"
#include "CFtpTestServer.h"
#include "CFtpCommandDriver.h"

#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"
#include "ftp/CFtpConnection.h"
#include "ftp/CServerLoginDlg.h"

#include <QAction>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QtTest>

class tst_FtpCommands : public QObject
{
    Q_OBJECT

private:
    CFtpTestServer m_server;
    CFrameFixture m_fx;
    QString m_local;

    CFtpCommands *commands() { return m_fx->view()->findChild<CFtpCommands *>(QStringLiteral("CFtpCommands")); }

    void configure(int port, const QString &password = QLatin1String(CFtpTestServer::password))
    {
        m_fx.env->writeConfig({QStringLiteral("FTP_HOST_NAME=127.0.0.1"), QStringLiteral("FTP_PORT_NUMBER=%1").arg(port),
                            QStringLiteral("FTP_USER_NAME=tester"), QStringLiteral("FTP_USER_PASS=") + password,
                            QStringLiteral("LOCAL_DIRECTORY=") + m_local, QStringLiteral("REMOTE_DIRECTORY=/")});
    }

    QStringList load(const QString &dir, const QString &name, bool toEditor)
    {
        return loadFromServer(*commands(), dir, name, toEditor);
    }

private slots:
    void initTestCase()
    {
        START_FTP_SERVER(m_server, CFtpTestServer::Normal);
    }

    void init()
    {
        m_fx.open();
        m_local = m_fx.env->path(QStringLiteral("local"));
        QDir().mkpath(m_local);
        configure(m_server.port());
        for (const char *gone : {"newdir", "new.pl", "old.pl", "gone.pl", "empty"})
            QDir(m_server.path(QLatin1String(gone))).removeRecursively(), QFile::remove(m_server.path(QLatin1String(gone)));
        QDir().mkpath(m_server.path(QStringLiteral("sub")));
        QDir().mkpath(m_server.path(QStringLiteral("empty")));
        m_server.write(QStringLiteral("old.pl"), "1");
        m_server.write(QStringLiteral("gone.pl"), "2");
    }

    void browserCommands_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("appears");
        QTest::addColumn<QString>("goes");
        QTest::addRow("CD .. with a folder selected enters it") << "sub" << "CD .." << "/sub" << QStringList{} << "" << "";
        QTest::addRow("CD preset alone stays") << "" << "CD " << "/" << QStringList{} << "" << "";
        QTest::addRow("two blanks give an empty name") << "" << "CD  sub" << "/" << QStringList{} << "" << "";
        QTest::addRow("lower-case command word") << "" << "cd sub" << "/sub" << QStringList{} << "" << "";
        QTest::addRow("MKDIR") << "" << "MKDIR newdir" << "/" << QStringList{"Directory newdir created."} << "newdir" << "";
        QTest::addRow("RMDIR of the selection") << "empty" << "RMDIR other" << "/" << QStringList{"Remove directory :empty"} << "" << "empty";
        QTest::addRow("RENAME two names") << "" << "RENAME old.pl new.pl" << "/"
                                          << QStringList{"File old.pl renamed to new.pl"} << "new.pl" << "old.pl";
        QTest::addRow("DELETE") << "" << " DELETE gone.pl " << "/" << QStringList{"Delete file :gone.pl"} << "" << "gone.pl";
        QTest::addRow("unknown command") << "" << "dele gone.pl" << "/" << QStringList{"FTP command :DELE not allowed"} << "gone.pl" << "";
        QTest::addRow("empty command") << "" << "" << "/" << QStringList{"FTP command : not allowed"} << "" << "";
    }
    void browserCommands()
    {
        QFETCH(QString, selected);
        QFETCH(QString, command);
        QFETCH(QString, appears);
        QFETCH(QString, goes);
        CFtpConnection connection;
        QVERIFY(connection.connect(QStringLiteral("127.0.0.1"), QStringLiteral("tester"), QStringLiteral("secret"),
                                   m_server.port()).isEmpty());
        CFtpBrowseDlg dlg(m_fx.env->app(), m_fx.frame.get());
        dlg.m_pConnection = &connection;
        dlg.OnInitDialog();
        if (!selected.isEmpty())
            select(&dlg, selected);
        dlg.commandBox()->setEditText(command);
        ModalAnswerer answer;
        dlg.OnExec();
        QTEST(answer.texts, "messages");
        QTEST(dlg.findChild<QLineEdit *>(QStringLiteral("1009"))->text(), "dir");
        QTEST(m_fx.env->app().settings().REMOTE_DIRECTORY, "dir");
        QCOMPARE(dlg.commandBox()->currentText(), command.trimmed());
        if (!appears.isEmpty())
            QVERIFY(QFileInfo::exists(m_server.path(appears)));
        if (!goes.isEmpty())
            QVERIFY(!QFileInfo::exists(m_server.path(goes)));
    }

    void listingShowsTheEntries()
    {
        m_server.write(QStringLiteral("sub/with blank.pl"), "12345");
        QDir().mkpath(m_server.path(QStringLiteral("sub/inner")));
        CFtpConnection connection;
        QVERIFY(connection.connect(QStringLiteral("127.0.0.1"), QStringLiteral("tester"), QStringLiteral("secret"),
                                   m_server.port()).isEmpty());
        m_fx.env->app().setRemoteDirectory(QStringLiteral("/sub"));
        CFtpBrowseDlg dlg(m_fx.env->app(), m_fx.frame.get());
        dlg.m_pConnection = &connection;
        dlg.OnInitDialog();
        QCOMPARE(dlg.findChild<QLineEdit *>(QStringLiteral("1058"))->text(), QStringLiteral("(2) Items listed."));
        QStringList rows;
        for (int r = 0; r < dlg.model()->rowCount(); ++r)
            rows << dlg.model()->row(r).name + "|" + dlg.model()->row(r).size + "|" + (dlg.model()->row(r).isDirectory ? "D" : "F");
        rows.sort();
        QCOMPARE(rows, (QStringList{"inner|   4096|D", "with blank.pl|      5|F"}));
    }

    void loadIntoTheEditor_data()
    {
        QTest::addColumn<QByteArray>("onServer");
        QTest::addRow("LF lines") << QByteArray("print 1;\nprint 2;");
        QTest::addRow("CR LF lines") << QByteArray("print 1;\r\nprint 2;\r\n");
    }
    void loadIntoTheEditor()
    {
        QFETCH(QByteArray, onServer);
        m_server.write(QStringLiteral("sub/script.pl"), onServer);
        QCOMPARE(load(QStringLiteral("sub"), QStringLiteral("script.pl"), true), QStringList{"script.pl will be downloaded"});
        COstrakDoc *doc = m_fx->document();
        QCOMPARE(m_fx->view()->bytes(), QByteArray("print 1;\r\nprint 2;\r\n"));
        QVERIFY(doc->isModified());
        QCOMPARE(doc->pathName(), m_local + QStringLiteral("/script.pl"));
        QCOMPARE(doc->m_strRemoteDir, QStringLiteral("/sub"));
        QVERIFY(m_fx->action(ID_FILE_PUT_BACK)->isEnabled());
        QVERIFY(!QFileInfo::exists(doc->pathName()));
        QCOMPARE(m_fx->statusText(), QStringLiteral("Connected."));

        // Put Back saves and sends the edited script into the folder it came from.
        m_fx->view()->setBytes("print 3;\r\n");
        commands()->OnPutBack();
        QCOMPARE(m_server.read(QStringLiteral("sub/script.pl")), QByteArray("print 3;\n"));
    }

    void binaryLoadToAFileIsByteExact()
    {
        QByteArray data(10 * 1024 * 1024, Qt::Uninitialized);
        QRandomGenerator(3).fillRange(reinterpret_cast<quint32 *>(data.data()), data.size() / 4);
        data.replace(0, 4, "\r\n\n\r");
        m_server.write(QStringLiteral("sub/blob.bin"), data);
        CTestEnvironment::writeFile(m_local + QStringLiteral("/blob.bin"), "old");
        const QByteArray before = m_fx->view()->bytes();
        load(QStringLiteral("sub"), QStringLiteral("blob.bin"), false);
        QVERIFY(CTestEnvironment::readFile(m_local + QStringLiteral("/blob.bin")) == data);
        QCOMPARE(m_fx->view()->bytes(), before);
        QVERIFY(!m_fx->action(ID_FILE_PUT_BACK)->isEnabled());
    }

    void hostileNameIsRefused()
    {
        CFtpTestServer hostile;
        START_FTP_SERVER(hostile, CFtpTestServer::Hostile);
        configure(hostile.port());
        const QStringList shown = load(QStringLiteral("/"), QStringLiteral("../escape.pl"), false);
        QCOMPARE(shown.size(), 2);
        QVERIFY(shown.at(1).contains(QLatin1String("../escape.pl")));
        QCOMPARE(QDir(m_fx.env->programDir()).entryList(QDir::Files).filter("escape"), QStringList{});
        QCOMPARE(QDir(m_local).entryList(QDir::Files), QStringList{});
    }

    // The browser's Cancel, clicked while a listing that never ends arrives,
    // ends the listing and the command.
    void cancelDuringAnEndlessListing()
    {
        CFtpTestServer hostile;
        START_FTP_SERVER(hostile, CFtpTestServer::Hostile);
        QVERIFY(QDir().mkpath(hostile.path(QStringLiteral("long"))));
        hostile.write(QStringLiteral("long/endless"), "");
        configure(hostile.port());
        QElapsedTimer listing;
        bool cdDone = false;
        whenBrowserOpens([&](CFtpBrowseDlg *dlg) {
            // Clicked on the dialog's window, as the user's mouse does.
            QTimer::singleShot(500, dlg, [dlg] {
                const QPushButton *cancel = dlg->findChild<QPushButton *>(QStringLiteral("2"));
                QTest::mouseClick(dlg->windowHandle(), Qt::LeftButton, {}, cancel->mapTo(dlg, cancel->rect().center()));
            });
            dlg->commandBox()->setEditText(QStringLiteral("CD long"));
            listing.start();
            dlg->OnExec();
            cdDone = true;
        });
        ModalAnswerer answerer;
        commands()->OnLoadFromServer();
        QVERIFY(cdDone);
        QVERIFY2(listing.elapsed() < 5000, qPrintable(QString::number(listing.elapsed())));
    }

    void putOnServer_data()
    {
        QTest::addColumn<QString>("remoteDir");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("messages");
        QTest::addRow("into REMOTE_DIRECTORY") << "/sub" << "sub/up.pl" << QStringList{};
        QTest::addRow("missing REMOTE_DIRECTORY") << "nowhere" << "" << QStringList{"Could not set directory tonowhere"};
    }
    void putOnServer()
    {
        QFETCH(QString, remoteDir);
        QFETCH(QString, target);
        const QString path = m_local + QStringLiteral("/up.pl");
        CTestEnvironment::writeFile(path, "a\r\nb\n");
        QVERIFY(m_fx->OpenDocumentFile(path));
        m_fx.env->app().setRemoteDirectory(remoteDir);
        whenBrowserOpens([](CFtpBrowseDlg *dlg) {
            QCOMPARE(dlg->windowTitle(), QStringLiteral("Put on Server - up.pl"));
            QVERIFY(dlg->findChild<QRadioButton *>(QStringLiteral("1053"))->isChecked());
            dlg->findChild<QPushButton *>(QStringLiteral("1012"))->click();
        });
        ModalAnswerer answer;
        commands()->OnPutOnServer();
        QTEST(answer.texts.filter(QStringLiteral("Could not set")), "messages");
        if (!target.isEmpty())
            QCOMPARE(m_server.read(target), QByteArray("a\nb\n"));
        QVERIFY(!QFileInfo::exists(m_server.path(QStringLiteral("up.pl"))));
    }

    void wrongPasswordEndsTheWaitAtOnce()
    {
        configure(m_server.port(), QStringLiteral("wrong"));
        QElapsedTimer t;
        t.start();
        handleNextModal([](QWidget *w) { w->findChild<QPushButton *>(QStringLiteral("1"))->click(); });
        commands()->OnLoadFromServer();
        QVERIFY(t.elapsed() < 5000);
        QVERIFY2(m_fx->statusText().startsWith(QLatin1String("Could not connect. (")), qPrintable(m_fx->statusText()));
        QVERIFY(m_fx->statusText().contains(QLatin1String("530")));
    }
};

QTEST_MAIN(tst_FtpCommands)
#include "tst_ftpcommands.moc"
