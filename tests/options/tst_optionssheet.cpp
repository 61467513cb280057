#include "CFrameFixture.h"
#include "CModalHandler.h"

#include "app/CConfigFile.h"
#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "editor/COstrakView.h"
#include "options/COptionsPropertySheet.h"
#include "options/CSelectDirDlg.h"

#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QPushButton *button(QWidget *sheet, QDialogButtonBox::StandardButton which)
{
    return sheet->findChild<QDialogButtonBox *>()->button(which);
}

// Sets an edit's text or clicks a button of the sheet's current page.
void operate(QWidget *sheet, const QString &control, const QString &text)
{
    QWidget *w = sheet->findChild<QWidget *>(control);
    QVERIFY2(w, qPrintable(control));
    if (auto *edit = qobject_cast<QLineEdit *>(w)) {
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    else
        qobject_cast<QAbstractButton *>(w)->click();
}

} // namespace

// Opens the real Options sheet from the frame's menu command and drives it;
// its directory chooser on a temporary tree.
class tst_OptionsSheet : public QObject
{
    Q_OBJECT

    CFrameFixture m_fx;
    QString m_dir;   // an existing folder, so the FTP page has nothing to warn about
    QTemporaryDir m_tmp;   // for the directory chooser: a/b/c, a/x, ab/cd and d

    void open(const QStringList &extra = {})
    {
        m_fx.open();
        m_dir = m_fx.env->path(QStringLiteral("work"));
        QDir().mkpath(m_dir);
        m_fx.env->writeConfig(QStringList{"SERVER_TYPE=vms", "junk line", "TAB_SIZE= 4", "INDENT_SIZE=3", "AUTO_INDENT=Y",
                                          "FTP_PORT_NUMBER=21", "LOCAL_DIRECTORY=" + m_dir} + extra);
        ::chmod(QFile::encodeName(m_fx.env->app().configPath()).constData(), 0644);
    }
    QByteArray file() const { return CTestEnvironment::readFile(m_fx.env->app().configPath()); }
    // Runs Tools > Options with `steps` inside the sheet; the sheet is
    // cancelled afterwards when the steps left it open.
    void runSheet(const std::function<void(COptionsPropertySheet *)> &steps)
    {
        bool ran = false;
        handleNextModal([&](QWidget *w) {
            auto *sheet = qobject_cast<COptionsPropertySheet *>(w);
            ran = sheet != nullptr;
            if (sheet)
                steps(sheet);
            if (w->isVisible())
                qobject_cast<QDialog *>(w)->reject();
        });
        m_fx->action(ID_TOOLS_OPTIONS)->trigger();
        QVERIFY(ran);
    }

    QString full(const QString &relative) const { return relative.isEmpty() ? QString() : m_tmp.filePath(relative); }
    // The directory chooser over "/", opened on `relative` in the temporary tree.
    void initChooser(CSelectDirDlg &dialog, const QString &relative)
    {
        dialog.setDriveRoots({QStringLiteral("/")});
        dialog.setDirectory(full(relative));
        dialog.OnInitDialog();
    }
    // The tree item of an absolute path, or null when it is not in the tree.
    static QTreeWidgetItem *itemOf(QTreeWidget *tree, const QString &path)
    {
        QTreeWidgetItem *item = tree->topLevelItem(0);
        for (const QString &name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            QTreeWidgetItem *next = nullptr;
            for (int i = 0; item && i < item->childCount() && !next; ++i)
                next = item->child(i)->text(0) == name ? item->child(i) : nullptr;
            item = next;
        }
        return item;
    }

private slots:
    void initTestCase()
    {
        ::signal(SIGXFSZ, SIG_IGN);
        for (const char *d : {"a/b/c", "a/x", "ab/cd", "d"})
            QVERIFY(QDir(m_tmp.path()).mkpath(QLatin1String(d)));
    }
    void cleanup() { m_fx.close(); }

    // OK rewrites the file in its own form, untouched pages' texts kept;
    // an applied change survives a later Cancel.
    void closing_data()
    {
        QTest::addColumn<bool>("apply");
        QTest::newRow("OK without changes") << false;
        QTest::newRow("Apply then Cancel") << true;
    }
    void closing()
    {
        QFETCH(bool, apply);
        open();
        QByteArray want = CConfigFile::format(m_fx.env->app().settings());
        runSheet([&](COptionsPropertySheet *sheet) {
            if (apply) {
                operate(sheet, QStringLiteral("1000"), QStringLiteral("/usr/bin/perl"));
                button(sheet, QDialogButtonBox::Apply)->click();
            }
            button(sheet, apply ? QDialogButtonBox::Cancel : QDialogButtonBox::Ok)->click();
        });
        if (apply)
            want.replace("LOCAL_PERL_EXE=\r\n", "LOCAL_PERL_EXE=/usr/bin/perl\r\n");
        QCOMPARE(file(), want);
    }

    void keptValues_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("applied Editor page rewrites its sizes") << 2 << "" << "" << "TAB_SIZE" << "4";
        QTest::newRow("unknown server type, page opened") << 5 << "" << "" << "SERVER_TYPE" << "vms";
        QTest::newRow("ssh server type clicked") << 5 << "1064" << "" << "SERVER_TYPE" << "ssh";
        QTest::newRow("auto-indent after an FTP change") << 1 << "1002" << "ftp.example" << "AUTO_INDENT" << "Y";
        QTest::newRow("the FTP change itself") << 1 << "1002" << "ftp.example" << "FTP_HOST_NAME" << "ftp.example";
        QTest::newRow("server port") << 5 << "1062" << "65535" << "SERVER_PORT_NUMBER" << "65535";
        // A fresh install: sizes never set show 4, so OK passes.
        QTest::newRow("empty tab size") << 2 << "" << "TAB_SIZE=" << "TAB_SIZE" << "4";
        QTest::newRow("zero indent size") << 2 << "" << "INDENT_SIZE=0" << "INDENT_SIZE" << "4";
    }
    void keptValues()
    {
        QFETCH(int, page);
        QFETCH(QString, control);
        QFETCH(QString, text);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        // Without a control, the text is a setting written before the sheet opens.
        open(control.isEmpty() && !text.isEmpty() ? QStringList{text} : QStringList{});
        runSheet([&](COptionsPropertySheet *sheet) {
            sheet->tabs()->setCurrentIndex(page);
            if (!control.isEmpty())
                operate(sheet, control, text);
            button(sheet, QDialogButtonBox::Ok)->click();
        });
        CSettings written;
        CConfigFile::parse(file(), written);
        QCOMPARE(written.fileValue(key), expected);
        QCOMPARE(m_fx.env->app().settings().fileValue(key), expected);
    }

    void rejectedFieldKeepsPage_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("tab size 11") << 2 << "1018" << "11" << "between 2 and 10";
        QTest::newRow("tab size 1") << 2 << "1018" << "1" << "between 2 and 10";
        QTest::newRow("indent size 0") << 2 << "1019" << "0" << "between 1 and 100";
        QTest::newRow("indent size 101") << 2 << "1019" << "101" << "between 1 and 100";
        QTest::newRow("tab size not a number") << 2 << "1018" << "4x" << "integer";
        QTest::newRow("FTP port 70000") << 1 << "1003" << "70000" << "between 0 and 65535";
        QTest::newRow("server port 70000") << 5 << "1062" << "70000" << "between 0 and 65535";
        QTest::newRow("server port -1") << 5 << "1062" << "-1" << "between 0 and 65535";
    }
    void rejectedFieldKeepsPage()
    {
        QFETCH(int, page);
        QFETCH(QString, control);
        QFETCH(QString, text);
        QFETCH(QString, message);
        open();
        const QByteArray before = file();
        runSheet([&](COptionsPropertySheet *sheet) {
            sheet->tabs()->setCurrentIndex(page);
            operate(sheet, control, text);
            QString shown;
            answerNextMessageBox(QMessageBox::Ok, &shown);
            button(sheet, QDialogButtonBox::Ok)->click();
            QVERIFY2(shown.contains(message), qPrintable(shown));
            QVERIFY(sheet->isVisible());
            shown.clear();
            answerNextMessageBox(QMessageBox::Ok, &shown);
            sheet->tabs()->setCurrentIndex(0);   // leaving the page is refused too
            QVERIFY(!shown.isEmpty());
            QCOMPARE(sheet->tabs()->currentIndex(), page);
        });
        QCOMPARE(file(), before);
    }

    // As root a read-only folder is still writable, so a file-size limit
    // makes the write fail there as well.
    void failedWriteKeepsOldFileAndTypedValues()
    {
        open();
        const QByteArray before = file();
        m_fx.env->makeReadOnlyFolder(m_fx.env->programDir());
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        const rlimit tiny{16, old.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &tiny);
        QString shown;
        runSheet([&](COptionsPropertySheet *sheet) {
            sheet->tabs()->setCurrentIndex(1);
            operate(sheet, QStringLiteral("1002"), QStringLiteral("typed.example"));
            answerNextMessageBox(QMessageBox::Ok, &shown);
            button(sheet, QDialogButtonBox::Ok)->click();
        });
        ::setrlimit(RLIMIT_FSIZE, &old);
        ::chmod(QFile::encodeName(m_fx.env->programDir()).constData(), 0755);
        QVERIFY2(shown.startsWith(QStringLiteral("Could not write ") + m_fx.env->app().configPath()), qPrintable(shown));
        QCOMPARE(file(), before);
        QCOMPARE(m_fx.env->app().settings().FTP_HOST_NAME, QString());

        QString shownAgain;
        runSheet([&](COptionsPropertySheet *sheet) {
            sheet->tabs()->setCurrentIndex(1);
            shownAgain = sheet->findChild<QLineEdit *>(QStringLiteral("1002"))->text();
            button(sheet, QDialogButtonBox::Ok)->click();
        });
        QCOMPARE(shownAgain, QStringLiteral("typed.example"));
        QCOMPARE(m_fx.env->app().settings().FTP_HOST_NAME, QStringLiteral("typed.example"));
        QVERIFY(file().contains("FTP_HOST_NAME=typed.example\r\n"));
    }

    void savedSettingsReachTheEditorAndFileOpen()
    {
        open();
        m_fx.env->app().setWorkingDirectory(QDir::rootPath());
        runSheet([&](COptionsPropertySheet *sheet) {
            sheet->tabs()->setCurrentIndex(2);
            operate(sheet, QStringLiteral("1018"), QStringLiteral("8"));
            operate(sheet, QStringLiteral("1020"), QString());
            button(sheet, QDialogButtonBox::Ok)->click();
        });
        QCOMPARE(m_fx->view()->tabFiller(), QByteArray(8, ' '));
        QVERIFY(m_fx.env->app().settings().tabExpand());
        QString start;
        handleNextModal([&](QWidget *w) {
            if (auto *dialog = qobject_cast<QFileDialog *>(w)) {
                start = dialog->directory().absolutePath();
                dialog->reject();
            }
        });
        m_fx->action(ID_FILE_OPEN)->trigger();
        QCOMPARE(start, m_dir);
    }

    void chosenFontCancelledIsNotSaved()
    {
        open({QStringLiteral("VIEW_FONT=-13,0,0,0,400,0,0,0,0,3,2,1,49,DejaVu Sans Mono")});
        m_fx->OnFileNew();
        const QFont shown = m_fx->view()->font();
        const QByteArray before = file();
        runSheet([&](COptionsPropertySheet *sheet) {
            sheet->tabs()->setCurrentIndex(2);
            handleNextModal([](QWidget *w) {
                auto *chooser = qobject_cast<QFontDialog *>(w);
                QFont big = chooser->currentFont();
                big.setPointSize(40);
                chooser->setCurrentFont(big);
                chooser->accept();
            });
            sheet->findChild<QPushButton *>(QStringLiteral("1013"))->click();
            QCOMPARE(sheet->findChild<QLineEdit *>(QStringLiteral("1017"))->font().pointSize(), 40);
            button(sheet, QDialogButtonBox::Cancel)->click();
        });
        QCOMPARE(file(), before);
        QCOMPARE(m_fx->view()->font(), shown);
    }

    void openedAlongDirectoryText_data()
    {
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QStringList>("opened");
        QTest::addColumn<QStringList>("closed");
        QTest::newRow("chain opened") << "a/b/c" << "a/b/c" << QStringList{"a", "a/b"} << QStringList{"a/x", "ab", "d"};
        QTest::newRow("case difference opens nothing") << "A/b/c" << "" << QStringList{} << QStringList{"a", "ab", "d"};
        QTest::newRow("a folder whose path lies within the text")
            << "ab/cd" << "ab/cd" << QStringList{"a", "ab"} << QStringList{"a/b", "d"};
    }
    void openedAlongDirectoryText()
    {
        QFETCH(QString, directory);
        QFETCH(QString, selected);
        QFETCH(QStringList, opened);
        QFETCH(QStringList, closed);
        CSelectDirDlg dialog;
        initChooser(dialog, directory);
        QTreeWidget *tree = dialog.tree();
        QCOMPARE(dialog.drives()->currentText(), QStringLiteral("/"));
        QCOMPARE(tree->currentItem(), selected.isEmpty() ? nullptr : itemOf(tree, full(selected)));
        for (const QString &path : opened + closed) {
            QTreeWidgetItem *item = itemOf(tree, full(path));
            const bool open = opened.contains(path);
            QVERIFY2(item && item->isExpanded() == open && (item->childCount() > 0) == open, qPrintable(path));
        }
        QCOMPARE(dialog.directoryEdit()->text(), full(directory));
    }

    void doubleClickAddsOneLevelEachTime()
    {
        CSelectDirDlg dialog;
        initChooser(dialog, QStringLiteral("d"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTreeWidget *tree = dialog.tree();
        QTreeWidgetItem *a = itemOf(tree, full(QStringLiteral("a")));
        QVERIFY(a);
        for (int expected : {2, 4}) {
            tree->scrollToItem(a);
            const QPoint at = tree->visualItemRect(a).center();
            QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
            QCOMPARE(a->childCount(), expected);
            QCOMPARE(dialog.directoryEdit()->text(), full(QStringLiteral("a")));
        }
        dialog.directoryEdit()->setText(QStringLiteral("typed/as it stands"));
        dialog.accept();
        QCOMPARE(dialog.directory(), QStringLiteral("typed/as it stands"));
    }
};

QTEST_MAIN(tst_OptionsSheet)
#include "tst_optionssheet.moc"
