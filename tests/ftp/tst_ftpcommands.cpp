#include "CFrameFixture.h"
#include "CFtpTestServer.h"
#include "CFtpCommandDriver.h"

#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "editor/COstrakDoc.h"
#include "editor/COstrakView.h"
#include "ftp/CFtpConnection.h"
#include "ftp/CFtpListParser.h"
#include "ftp/CServerLoginDlg.h"
#include "ftp/CTrustStore.h"

#include <QAction>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QtTest>

class tst_FtpCommands : public QObject
{
    Q_OBJECT

private:
    CFtpTestServer m_server;
    CFtpTestServer m_vsftpd;
    CFtpTestServer m_vsftpdTls;
    CFrameFixture m_fx;
    QString m_local;

    // The servers the browser cases run against, by the name of their data row.
    CFtpTestServer &server(const QString &kind)
    {
        return kind == QLatin1String("vsftpd") ? m_vsftpd : kind == QLatin1String("vsftpd TLS") ? m_vsftpdTls : m_server;
    }
    QString hostOf(const QString &kind)
    {
        if (kind != QLatin1String("vsftpd TLS"))
            return QStringLiteral("127.0.0.1");
        CTrustStore::trust(QStringLiteral("127.0.0.1"), m_vsftpdTls.port(), m_vsftpdTls.fingerprint());
        return QStringLiteral("ftps://127.0.0.1");
    }
    // Settings for `kind`'s server; `port` and `password` stand in for its own.
    void configure(const QString &kind, int port = 0, const QString &password = QString())
    {
        CFtpTestServer &s = server(kind);
        m_fx.env->writeConfig({"FTP_HOST_NAME=" + hostOf(kind), "FTP_PORT_NUMBER=" + QString::number(port ? port : s.port()),
                               "FTP_USER_NAME=" + s.loginUser(), "FTP_USER_PASS=" + (password.isNull() ? s.loginPassword() : password),
                               "LOCAL_DIRECTORY=" + m_local, QStringLiteral("REMOTE_DIRECTORY=/")});
    }
    QString connectTo(CFtpConnection &c, const QString &kind)
    {
        CFtpTestServer &s = server(kind);
        return c.connect(hostOf(kind), s.loginUser(), s.loginPassword(), s.port());
    }
    static constexpr const char *kinds[] = {"pyftpdlib", "vsftpd", "vsftpd TLS"};
    // A browser on `dir` of the connected server.
    std::unique_ptr<CFtpBrowseDlg> browser(CFtpConnection &c, const QString &dir)
    {
        m_fx.env->app().setRemoteDirectory(dir);
        auto dlg = std::make_unique<CFtpBrowseDlg>(m_fx.env->app(), m_fx.frame.get());
        dlg->m_pConnection = &c;
        ModalAnswerer failure;
        dlg->OnInitDialog();
        [&] { QCOMPARE(failure.texts, QStringList()); }();
        return dlg;
    }
    QString status(CFtpBrowseDlg &dlg) { return dlg.findChild<QLineEdit *>(QStringLiteral("1058"))->text(); }

    CFtpCommands *commands() { return m_fx->view()->findChild<CFtpCommands *>(QStringLiteral("CFtpCommands")); }

    QStringList load(const QString &dir, const QString &name, bool toEditor)
    {
        return loadFromServer(*commands(), dir, name, toEditor);
    }

private slots:
    void initTestCase()
    {
        START_FTP_SERVER(m_server, CFtpTestServer::Normal);
        START_FTP_SERVER(m_vsftpd, CFtpTestServer::Vsftpd);
        START_FTP_SERVER(m_vsftpdTls, CFtpTestServer::VsftpdTls);
    }

    void init()
    {
        m_fx.open();
        m_local = m_fx.env->path(QStringLiteral("local"));
        QDir().mkpath(m_local);
        configure(QStringLiteral("pyftpdlib"));
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
        QCOMPARE(connectTo(connection, QStringLiteral("pyftpdlib")), QString());
        auto dlg = browser(connection, QStringLiteral("/"));
        if (!selected.isEmpty())
            select(dlg.get(), selected);
        dlg->commandBox()->setEditText(command);
        ModalAnswerer answer;
        dlg->OnExec();
        QTEST(answer.texts, "messages");
        QTEST(dlg->findChild<QLineEdit *>(QStringLiteral("1009"))->text(), "dir");
        QTEST(m_fx.env->app().settings().REMOTE_DIRECTORY, "dir");
        QCOMPARE(dlg->commandBox()->currentText(), command.trimmed());
        if (!appears.isEmpty())
            QVERIFY(QFileInfo::exists(m_server.path(appears)));
        if (!goes.isEmpty())
            QVERIFY(!QFileInfo::exists(m_server.path(goes)));
    }

    // CR LF lines from the server reach the editor as LF lines.
    void loadIntoTheEditor()
    {
        m_server.write(QStringLiteral("sub/script.pl"), "print 1;\r\nprint 2;\r\n");
        QCOMPARE(load(QStringLiteral("sub"), QStringLiteral("script.pl"), true), QStringList{"script.pl will be downloaded"});
        COstrakDoc *doc = m_fx->document();
        QCOMPARE(m_fx->view()->bytes(), QByteArray("print 1;\nprint 2;\n"));
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

    // The texts of a row: a name with "*" from a readable line stays whole;
    // only a line the parser passed on whole is taken apart by position.
    void listRows_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("date");
        QTest::addRow("star in a Unix line") << QByteArray("-rw-r--r--    1 0   0    17 Dec 07 13:57 star*name.pl")
                                             << "star*name.pl" << "star*name.pl" << "     17" << "12/07/2026 13:57:00";
        QTest::addRow("link") << QByteArray("lrwxrwxrwx 1 o g 3 Jan 02  2024 link -> sub dir") << "link"
                              << "link -> sub dir" << "      3" << "01/02/2024 00:00:00";
        QTest::addRow("unreadable line with a star")
            << QByteArray("-rwxr-xr-x  1 web    5120 12-07-26 13:57  *       my file.pl") << " file.pl" << " file.pl"
            << "  1 web    51" << "0 12-07-26 13:57 ";
    }
    void listRows()
    {
        QFETCH(QByteArray, line);
        qputenv("LC_TIME", "C.UTF-8");
        const QList<CFtpEntry> entries = CFtpListParser::parse(line + "\r\n", QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
        QCOMPARE(entries.size(), 1);
        const CFtpListModel::Row row = CFtpListModel::rowFor(entries.first());
        QTEST(row.name, "name");
        QTEST(row.label, "label");
        QTEST(row.size, "size");
        QTEST(row.date, "date");
    }

    // Names from well-formed lines are listed and used exactly as the server
    // has them; a link shows its target and, to a folder, can be entered.
    void exactNames_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind : kinds)
            QTest::addRow("%s", kind) << QString::fromLatin1(kind);
    }
    void exactNames()
    {
        QFETCH(QString, kind);
        CFtpTestServer &s = server(kind);
        const QStringList names{"star*name.pl", "q?[x].pl", "two  blanks .pl", " lead.pl", "it's \"q\".pl", "café ü.pl"};
        QDir(s.path(QStringLiteral("names"))).removeRecursively();
        for (const QString &name : names)
            s.write(QStringLiteral("names/") + name, name.toUtf8());
        s.write(QStringLiteral("names/inner/in.pl"), "1");
        QVERIFY(QFile::link(QStringLiteral("inner"), s.path(QStringLiteral("names/link"))));
        s.own();
        CFtpConnection c;
        QCOMPARE(connectTo(c, kind), QString());
        auto dlg = browser(c, QStringLiteral("/names"));
        QStringList listed;
        const QString year = QString::number(QFileInfo(s.path(QStringLiteral("names/inner"))).lastModified().date().year());
        for (int r = 0; r < dlg->model()->rowCount(); ++r) {
            const CFtpListModel::Row &row = dlg->model()->row(r);
            if (row.name == QLatin1String(".") || row.name == QLatin1String(".."))
                continue;
            listed << row.name;
            QCOMPARE(row.isDirectory, row.name == QLatin1String("inner"));
            if (row.name == QLatin1String("link"))
                QCOMPARE(row.label, QStringLiteral("link -> inner"));
            QVERIFY2(row.date.contains(year), qPrintable(row.date));
        }
        listed.sort();
        QStringList expected = names + QStringList{"inner", "link"};
        expected.sort();
        QCOMPARE(listed, expected);
        for (const QString &name : names) {
            QByteArray bytes;
            QCOMPARE(c.readFile(name, CFtpConnection::Binary, bytes), QString());
            QCOMPARE(bytes, name.toUtf8());
        }
        select(dlg.get(), QStringLiteral("link"));
        dlg->commandBox()->setEditText(QStringLiteral("CD"));
        dlg->OnExec();
        // vsftpd names the folder the link leads to.
        QVERIFY2(QStringList({"/names/link", "/names/inner"}).contains(c.currentDirectory()), qPrintable(c.currentDirectory()));
        QCOMPARE(dlg->model()->row(dlg->model()->rowCount() - 1).name, QStringLiteral("in.pl"));

        // Through the dialog, as the user loads it.
        configure(kind);
        QCOMPARE(load(QStringLiteral("/names"), QStringLiteral("star*name.pl"), false).value(0),
                 QStringLiteral("star*name.pl will be downloaded"));
        QCOMPARE(CTestEnvironment::readFile(m_local + QStringLiteral("/star*name.pl")), QByteArray("star*name.pl"));
    }

    // A refused change shows the server's reply in the status line; a
    // change made reads the list anew.
    void commandOutcomes_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("status");
        for (const char *kind : {"pyftpdlib", "vsftpd"}) {
            const QString k = QLatin1String(kind);
            QTest::addRow("%s DELETE missing", kind) << k << "DELETE nofile.pl" << "DELETE nofile.pl: 550";
            QTest::addRow("%s RMDIR not empty", kind) << k << "RMDIR sub" << "RMDIR sub: 550";
            QTest::addRow("%s CD missing", kind) << k << "CD nowhere" << "CD nowhere: 550";
            QTest::addRow("%s RENAME missing", kind) << k << "RENAME nofile.pl x.pl" << "RENAME nofile.pl: 550";
            QTest::addRow("%s MKDIR refreshes", kind) << k << "MKDIR newdir" << "(6) Items listed.";
        }
    }
    void commandOutcomes()
    {
        QFETCH(QString, kind);
        QFETCH(QString, command);
        CFtpTestServer &s = server(kind);
        QDir(s.path(QStringLiteral("out"))).removeRecursively();
        for (const char *name : {"sub/keep.pl", "old.pl", "gone.pl", "more.pl"})
            s.write(QStringLiteral("out/") + QLatin1String(name), "1");
        QDir().mkpath(s.path(QStringLiteral("out/empty")));
        s.own();
        CFtpConnection c;
        QCOMPARE(connectTo(c, kind), QString());
        auto dlg = browser(c, QStringLiteral("/out"));
        QCOMPARE(status(*dlg), QStringLiteral("(5) Items listed."));
        dlg->commandBox()->setEditText(command);
        ModalAnswerer answer;
        dlg->OnExec();
        QFETCH(QString, status);
        QVERIFY2(this->status(*dlg).startsWith(status), qPrintable(this->status(*dlg)));
        QCOMPARE(dlg->model()->rowCount(), status.startsWith(u'(') ? status.mid(1, 1).toInt() : 5);
    }

    // Enter in the Delete and Remove directory questions answers No.
    void destructiveQuestionsDefaultToNo_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("target");
        QTest::addRow("DELETE") << "DELETE old.pl" << "old.pl";
        QTest::addRow("RMDIR") << "RMDIR empty" << "empty";
    }
    void destructiveQuestionsDefaultToNo()
    {
        QFETCH(QString, command);
        QFETCH(QString, target);
        CFtpConnection c;
        QCOMPARE(connectTo(c, QStringLiteral("pyftpdlib")), QString());
        auto dlg = browser(c, QStringLiteral("/"));
        dlg->commandBox()->setEditText(command);
        QString question;
        handleNextModal([&question](QWidget *box) {
            question = qobject_cast<QMessageBox *>(box)->text();
            QTest::keyClick(box, Qt::Key_Return);
        });
        dlg->OnExec();
        QVERIFY(question.endsWith(target));
        QVERIFY(QFileInfo::exists(m_server.path(target)));
    }

    // An existing local file is replaced only when the user says so, and
    // nothing is downloaded before.
    void replaceLocalFile_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addRow("No keeps it") << false;
        QTest::addRow("Yes replaces it") << true;
    }
    void replaceLocalFile()
    {
        QFETCH(bool, yes);
        m_server.write(QStringLiteral("sub/mine.pl"), "server\n");
        const QString local = m_local + QStringLiteral("/mine.pl");
        CTestEnvironment::writeFile(local, "local edit\n");
        const QStringList shown = loadFromServer(*commands(), QStringLiteral("sub"), QStringLiteral("mine.pl"), false,
                                                 yes ? QMessageBox::Yes : QMessageBox::No);
        const QStringList asked = shown.filter(QStringLiteral("Replace"));
        QCOMPARE(asked, QStringList{CFtpCommands::replaceQuestion(local)});
        QCOMPARE(CTestEnvironment::readFile(local), QByteArray(yes ? "server\n" : "local edit\n"));
    }

    // Loaded as ASCII into the editor with LF lines and put back unchanged,
    // the server's file keeps every byte.
    void putBackKeepsBytes_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("onServer");
        for (const char *kind : kinds) {
            QTest::addRow("%s no last line end", kind) << QString::fromLatin1(kind) << QByteArray("print 1;\nprint 2;");
            QTest::addRow("%s last line end", kind) << QString::fromLatin1(kind) << QByteArray("print 1;\n\nprint 2;\n");
            QTest::addRow("%s empty", kind) << QString::fromLatin1(kind) << QByteArray();
        }
    }
    void putBackKeepsBytes()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, onServer);
        CFtpTestServer &s = server(kind);
        s.write(QStringLiteral("sub/same.pl"), onServer);
        configure(kind);
        QCOMPARE(load(QStringLiteral("sub"), QStringLiteral("same.pl"), true), QStringList{"same.pl will be downloaded"});
        QCOMPARE(m_fx->view()->bytes(), onServer);
        commands()->OnPutBack();
        QCOMPARE(s.read(QStringLiteral("sub/same.pl")), onServer);
    }

    // A failed connect is shown in a message box naming host and port, and in the status bar.
    void failedConnect_data()
    {
        QTest::addColumn<bool>("closedPort");
        QTest::addColumn<QString>("reason");
        QTest::addRow("wrong password") << false << "530";
        QTest::addRow("closed port") << true << "onnect";
    }
    void failedConnect()
    {
        QFETCH(bool, closedPort);
        const int port = closedPort ? CLocalPort::unused() : m_server.port();
        configure(QStringLiteral("pyftpdlib"), port, QStringLiteral("wrong"));
        QElapsedTimer t;
        t.start();
        handleNextModal([](QWidget *w) { w->findChild<QPushButton *>(QStringLiteral("1"))->click(); });
        ModalAnswerer answer;
        commands()->OnLoadFromServer();
        QVERIFY(t.elapsed() < 5000);
        QCOMPARE(answer.texts, QStringList{QStringLiteral("Could not connect to 127.0.0.1 port %1.").arg(port)});
        QVERIFY2(m_fx->statusText().startsWith(QLatin1String("Could not connect. (")), qPrintable(m_fx->statusText()));
        QFETCH(QString, reason);
        QVERIFY2(m_fx->statusText().contains(reason), qPrintable(m_fx->statusText()));
    }

    void hostileNameIsRefused()
    {
        CFtpTestServer hostile;
        START_FTP_SERVER(hostile, CFtpTestServer::Hostile);
        configure(QStringLiteral("pyftpdlib"), hostile.port());
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
        configure(QStringLiteral("pyftpdlib"), hostile.port());
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

};

QTEST_MAIN(tst_FtpCommands)
#include "tst_ftpcommands.moc"
