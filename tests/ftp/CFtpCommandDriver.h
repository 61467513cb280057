#pragma once

#include "CModalHandler.h"

#include "ftp/CCreateDirDlg.h"
#include "ftp/CFtpBrowseDlg.h"
#include "ftp/CFtpCommands.h"
#include "ftp/CFtpListModel.h"
#include "ftp/CRenameFileDlg.h"

#include <QComboBox>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

// Answers message boxes with `answer` where they offer it, else with OK
// (their texts are kept), and the Create Directory and Rename file dialogs
// with their OK button, while it lives.
class ModalAnswerer
{
public:
    explicit ModalAnswerer(QMessageBox::StandardButton answer = QMessageBox::Yes)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, answer] {
            QWidget *w = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(w)) {
                texts << box->text();
                QAbstractButton *b = box->button(answer);
                (b ? b : box->button(QMessageBox::Ok))->click();
            } else if (qobject_cast<CCreateDirDlg *>(w) || qobject_cast<CRenameFileDlg *>(w)) {
                w->findChild<QPushButton *>(QStringLiteral("1"))->click();
            }
        });
        m_timer.start(10);
    }
    QStringList texts;

private:
    QTimer m_timer;
};

inline void select(CFtpBrowseDlg *dlg, const QString &name)
{
    for (int r = 0; r < dlg->model()->rowCount(); ++r) {
        if (dlg->model()->row(r).name == name) {
            dlg->list()->selectionModel()->select(dlg->model()->index(r, 0),
                                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("not listed: ") + name));
}

// Logs in and hands the browser to `inBrowser` once it is open (questions
// shown before it are left to a ModalAnswerer); the wait ends with `scope`.
inline void whenBrowserOpens(std::function<void(CFtpBrowseDlg *)> inBrowser, QObject *scope = nullptr)
{
    QPointer<QObject> guard(scope);
    handleNextModal([inBrowser, guard, scoped = scope != nullptr](QWidget *login) {
        if (scoped && !guard)
            return;
        handleNextModal([inBrowser](QWidget *b) { inBrowser(qobject_cast<CFtpBrowseDlg *>(b)); }, 10000,
                        [](QWidget *w) { return qobject_cast<CFtpBrowseDlg *>(w) != nullptr; }, guard.data());
        login->findChild<QPushButton *>(QStringLiteral("1"))->click();
    });
}

// Load from server of `dir`/`name`, every question answered with `answer`;
// returns the texts of the message boxes shown.
inline QStringList loadFromServer(CFtpCommands &commands, const QString &dir, const QString &name, bool toEditor,
                                  QMessageBox::StandardButton answer = QMessageBox::Yes)
{
    QObject scope;
    whenBrowserOpens([=](CFtpBrowseDlg *dlg) {
        dlg->commandBox()->setEditText(QStringLiteral("CD ") + dir);
        dlg->OnExec();
        if (!toEditor)
            dlg->findChild<QRadioButton *>(QStringLiteral("1060"))->click();
        select(dlg, name);
        dlg->findChild<QPushButton *>(QStringLiteral("1012"))->click();
    }, &scope);
    ModalAnswerer answerer(answer);
    commands.OnLoadFromServer();
    return answerer.texts;
}
