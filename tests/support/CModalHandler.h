#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>

// Handles the next modal dialog that opens: polls until one is active, then
// hands it to `handler` (which accepts, rejects or fills it). Use before the
// call that opens the dialog; the handler runs inside that dialog's event loop.
inline void handleNextModal(std::function<void(QWidget *)> handler, int timeoutMs = 10000)
{
    auto *timer = new QTimer;
    auto elapsed = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, handler, elapsed, timeoutMs] {
        QWidget *modal = QApplication::activeModalWidget();
        *elapsed += 10;
        if (modal || *elapsed > timeoutMs) {
            timer->stop();
            timer->deleteLater();
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
        if (!box)
            return;
        if (text)
            *text = box->text();
        if (QAbstractButton *b = box->button(button))
            b->click();
        else
            box->reject();
    });
}
