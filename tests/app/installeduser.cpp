// Started by tst_install as a user who is not root: opens the main frame on
// the installed program's folder, changes the tab size through the Options
// sheet as a user would and saves it. Prints the settings file it used and
// the About box's last line; exits 0 when the sheet saved, else prints what
// went wrong.
#include "CModalHandler.h"

#include "app/CMainFrame.h"
#include "app/COstrakApp.h"
#include "app/CommandIds.h"
#include "options/COptionsPropertySheet.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication qapp(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: installeduser PROGRAM_DIR TAB_SIZE\n");
        return 2;
    }
    COstrakApp app(QString::fromLocal8Bit(argv[1]));
    app.ReadConfiguration();
    CMainFrame frame(app);
    frame.OnFileNew();

    const auto isBox = [](QWidget *w) { return qobject_cast<QMessageBox *>(w) != nullptr; };
    QString failure = QStringLiteral("the Options sheet did not open");
    handleNextModal([&](QWidget *w) {
        auto *sheet = qobject_cast<COptionsPropertySheet *>(w);
        if (!sheet)
            return;
        QTabWidget *tabs = sheet->tabs();
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->tabText(i) == QLatin1String("Editor"))
                tabs->setCurrentIndex(i);
        }
        QApplication::processEvents();   // a page built on first showing shows its controls
        auto *tabSize = sheet->findChild<QLineEdit *>(QStringLiteral("1018"));
        if (!tabSize || !tabSize->isVisible()) {
            failure = QStringLiteral("no Tab size field on the Editor page");
            sheet->reject();
            return;
        }
        tabSize->selectAll();
        QTest::keyClicks(tabSize, QString::fromLocal8Bit(argv[2]));
        // A refused value or a failed write shows a message box: its text is the failure.
        QString shown;
        handleNextModal([&](QWidget *box) {
            shown = qobject_cast<QMessageBox *>(box)->text();
            qobject_cast<QMessageBox *>(box)->reject();
        }, 5000, isBox, sheet);
        sheet->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        failure = !shown.isEmpty()        ? QStringLiteral("a message box came up: ") + shown
                  : sheet->isVisible() ? QStringLiteral("the sheet stayed open after OK")
                                       : QString();
        if (sheet->isVisible())
            sheet->reject();
    });
    frame.action(ID_TOOLS_OPTIONS)->trigger();
    std::printf("%s\n", qPrintable(app.configPath()));

    // The About box names the settings file in use.
    QString about;
    handleNextModal([&](QWidget *box) {
        about = qobject_cast<QMessageBox *>(box)->text();
        qobject_cast<QMessageBox *>(box)->accept();
    }, 5000, isBox);
    frame.action(ID_APP_ABOUT)->trigger();
    std::printf("%s\n", qPrintable(about.section(QLatin1Char('\n'), -1)));
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(failure));
        return 1;
    }
    return 0;
}
