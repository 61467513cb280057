#pragma once

#include <QEvent>
#include <QObject>

// Drops the user's clicks and keys while the editor waits (for a terminal,
// for a server), so that nothing typed into the frozen windows takes effect
// afterwards; windows keep repainting. Filters the whole application while it lives.
class CInputSwallower : public QObject
{
public:
    explicit CInputSwallower(QObject *application) : m_application(application)
    {
        m_application->installEventFilter(this);
    }
    ~CInputSwallower() override { m_application->removeEventFilter(this); }

    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            return true;
        default:
            return false;
        }
    }

private:
    QObject *m_application;
};
