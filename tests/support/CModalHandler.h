#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QMessageBox>
#include <QTimer>

#include <functional>

// Handles the next modal dialog that opens: polls until one is active, then
// hands it to `handler` (which accepts, rejects or fills it). Use before the
// call that opens the dialog; the handler runs inside that dialog's event loop.
// With `wanted`, dialogs it refuses are passed over; the wait also ends when `scope` goes.
inline void handleNextModal(std::function<void(QWidget *)> handler, int timeoutMs = 10000,
                            std::function<bool(QWidget *)> wanted = {}, QObject *scope = nullptr)
{
    auto *timer = new QTimer(scope);
    auto left = std::make_shared<int>(timeoutMs);
    QObject::connect(timer, &QTimer::timeout, [timer, handler, left, wanted] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && wanted && !wanted(modal))
            modal = nullptr;
        if (modal || (*left -= 10) < 0) {
            timer->deleteLater();
            timer->stop();
            if (modal)
                handler(modal);
        }
    });
    timer->start(10);
}

// Answers the next message box with `button` and stores its text in `text`.
inline void answerNextMessageBox(QMessageBox::StandardButton button, QString *text = nullptr)
{
    handleNextModal([button, text](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (text && box)
            *text = box->text();
        if (box)
            box->button(button) ? box->button(button)->click() : box->reject();
    });
}

// Chooses `path` in an open file dialog and accepts it. The dialog lists
// folders asynchronously and may rewrite the typed name when a listing
// arrives, so the name is typed again until the dialog takes it; a dialog
// that never takes it is cancelled, so the caller fails instead of hanging.
inline void chooseInFileDialog(QFileDialog *dialog, const QString &path)
{
    const QFileInfo target(path);
    QSignalSpy loaded(dialog->findChild<QFileSystemModel *>(), &QFileSystemModel::directoryLoaded);
    dialog->setDirectory(target.absolutePath());
    loaded.wait(1000);
    for (int attempt = 0; attempt < 20 && dialog->isVisible(); ++attempt) {
        if (attempt > 0)
            QTest::qWait(50);
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(target.fileName());
        static_cast<QDialog *>(dialog)->accept();
    }
    if (dialog->isVisible())
        dialog->reject();
}
