#include "CEditorFocusKeeper.h"

#include <QApplication>
#include <QEvent>
#include <QMetaObject>
#include <QWidget>

CEditorFocusKeeper::CEditorFocusKeeper(QWidget *frame)
    : QObject(frame)
    , m_frame(frame)
{
    qApp->installEventFilter(this);
}

bool CEditorFocusKeeper::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Hide && watched->isWidgetType()) {
        const auto *window = static_cast<QWidget *>(watched);
        // A dialog over another window (a question of the Find dialog) hands
        // the keyboard back to that window, not to the editor.
        const QWidget *owner = window->parentWidget() ? window->parentWidget()->window() : m_frame;
        if (window->isWindow() && window->isModal() && window != m_frame && owner == m_frame)
            // After the dialog's own event loop has ended.
            QMetaObject::invokeMethod(m_frame, "returnFocusToEditor", Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}
