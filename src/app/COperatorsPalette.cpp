#include "COperatorsPalette.h"

#include "CToolbarArt.h"

#include <QAction>
#include <QGridLayout>
#include <QMainWindow>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolButton>

COperatorsPalette::COperatorsPalette(const QList<QAction *> &actions, QWidget *frame)
    : QWidget(frame, Qt::Tool | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("operatorsToolbar"));
    // A click on a button inserts into the script; the keyboard stays with
    // the editor, so the palette is never the active window.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("Operators"));
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(2, 2, 2, 2);
    grid->setSpacing(1);

    // One size for every button: the bar's 22 by 16, or the widest face.
    QSize button = CToolbarArt::kOperatorButton;
    const QFontMetrics metrics(font());
    for (QAction *a : actions) {
        QString face = a->iconText();
        face.replace(QStringLiteral("&&"), QStringLiteral("&"));   // a doubled ampersand shows once
        button = button.expandedTo(QSize(metrics.horizontalAdvance(face) + 10, metrics.height() + 6));
    }
    for (int i = 0; i < actions.size(); ++i) {
        auto *b = new QToolButton(this);
        b->setDefaultAction(actions[i]);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(button);
        b->setObjectName(QStringLiteral("operator%1").arg(actions[i]->data().toInt()));
        grid->addWidget(b, i / kColumns, i % kColumns);
        m_buttons << b;
    }
    setFixedSize(sizeHint());
}

int COperatorsPalette::rowCount() const
{
    return (static_cast<int>(m_buttons.size()) + kColumns - 1) / kColumns;
}

bool COperatorsPalette::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::StatusTip:
        // A tool window is a window of its own: hand the prompt to the frame.
        if (auto *frame = qobject_cast<QMainWindow *>(parentWidget())) {
            frame->statusBar()->showMessage(static_cast<QStatusTipEvent *>(event)->tip());
            return true;
        }
        break;
    case QEvent::Show:
        emit visibilityChanged(true);
        break;
    case QEvent::Hide:
        if (isHidden())
            emit visibilityChanged(false);
        break;
    default:
        break;
    }
    return QWidget::event(event);
}
