#include "COutlinePanel.h"

#include "editor/COstrakView.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

COutlinePanel::COutlinePanel(COstrakView *view, QWidget *parent)
    : QDockWidget(QStringLiteral("Outline"), parent)
    , m_view(view)
    , m_filter(new QLineEdit)
    , m_list(new QListWidget)
{
    setObjectName(QStringLiteral("outlinePanel"));
    auto *body = new QWidget;
    auto *column = new QVBoxLayout(body);
    column->setContentsMargins(2, 2, 2, 2);
    m_filter->setObjectName(QStringLiteral("outlineFilter"));
    m_filter->setPlaceholderText(QStringLiteral("Filter"));
    m_filter->setClearButtonEnabled(true);
    m_list->setObjectName(QStringLiteral("outlineList"));
    column->addWidget(m_filter);
    column->addWidget(m_list);
    setWidget(body);
    setFocusProxy(m_list);

    m_pause.setSingleShot(true);
    m_pause.setInterval(500);
    connect(&m_pause, &QTimer::timeout, this, &COutlinePanel::refresh);
    connect(view, &COstrakView::textEdited, this, [this] {
        if (isVisible())
            m_pause.start();
    });
    connect(m_filter, &QLineEdit::textChanged, this, &COutlinePanel::fill);
    connect(m_list, &QListWidget::itemActivated, this, &COutlinePanel::goTo);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &COutlinePanel::goTo);
    m_list->installEventFilter(this);
    m_filter->installEventFilter(this);
}

void COutlinePanel::showEvent(QShowEvent *event)
{
    QDockWidget::showEvent(event);
    refresh();
}

void COutlinePanel::refresh()
{
    m_entries = COutlineScanner::scan(m_view->bytes());
    fill();
}

void COutlinePanel::fill()
{
    const QString filter = m_filter->text();
    const int keptLine = m_list->currentItem() ? m_list->currentItem()->data(Qt::UserRole).toInt() : 0;
    m_list->clear();
    for (const COutlineEntry &entry : std::as_const(m_entries)) {
        if (!COutlineScanner::matches(entry, filter))
            continue;
        const QString text = entry.kind == COutlineEntry::Package
                                 ? QStringLiteral("package %1  (%2)").arg(entry.name).arg(entry.line)
                                 : QStringLiteral("    sub %1  (%2)").arg(entry.name).arg(entry.line);
        auto *item = new QListWidgetItem(text, m_list);
        item->setData(Qt::UserRole, entry.line);
        if (entry.line == keptLine)
            m_list->setCurrentItem(item);
    }
    if (!m_list->currentItem() && m_list->count() > 0)
        m_list->setCurrentRow(0);
}

QStringList COutlinePanel::shownEntries() const
{
    QStringList texts;
    for (int i = 0; i < m_list->count(); ++i)
        texts << m_list->item(i)->text().simplified();
    return texts;
}

void COutlinePanel::goTo(QListWidgetItem *item)
{
    if (!item)
        return;
    const int line = item->data(Qt::UserRole).toInt();
    m_view->setCursorPosition(line - 1, 0);
    m_view->ensureLineVisible(line - 1);
    m_view->reportCaretPosition();
    m_view->setFocus(Qt::OtherFocusReason);
}

bool COutlinePanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDockWidget::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (watched == m_filter) {
        // Up, Down and Enter in the filter act on the list.
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            QCoreApplication::sendEvent(m_list, event);
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            goTo(m_list->currentItem());
            return true;
        }
        return false;
    }
    // Text typed in the list goes to the filter.
    const QString text = key->text();
    if (!text.isEmpty() && text.at(0).isPrint() && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        m_filter->setFocus();
        m_filter->insert(text);
        return true;
    }
    if (key->key() == Qt::Key_Backspace) {
        m_filter->backspace();
        return true;
    }
    return false;
}
