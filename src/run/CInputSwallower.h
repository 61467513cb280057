#pragma once

#include <QEvent>
#include <QObject>

// Drops the user's clicks and keys while the editor waits (for a terminal,
// for a server), so that nothing typed into the frozen windows takes effect
// afterwards; windows keep repainting. Filters the whole application while
// it lives; `spared` (a Cancel button) still gets its clicks and keys.
class CInputSwallower : public QObject
{
public:
    explicit CInputSwallower(QObject *application, QObject *spared = nullptr)
        : m_application(application)
        , m_spared(spared)
    {
        m_application->installEventFilter(this);
    }
    ~CInputSwallower() override { m_application->removeEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched && watched == m_spared)
            return false;
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
    QObject *m_spared;
};
