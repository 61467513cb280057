#pragma once

#include <QObject>

class QWidget;

// Gives the keyboard back to the editor whenever a modal window over the
// main window closes (a message box, a file dialog, the output window, the
// transfer dialogs), so that what the user types next lands in the script
// rather than in a tool window the window manager happened to activate.
class CEditorFocusKeeper : public QObject
{
    Q_OBJECT

public:
    // Watches every window of the application on behalf of `frame`, whose
    // returnFocusToEditor slot does the work.
    explicit CEditorFocusKeeper(QWidget *frame);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_frame;
};
