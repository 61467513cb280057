#include "CTearOffFrame.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>

CTearOffFrame::CTearOffFrame(const QString &title, const QByteArray &text, const QFont &font, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_wndEdit(new QPlainTextEdit(this))
    , m_font(font)
{
    setObjectName(QStringLiteral("tearOffFrame"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The main window alone decides when the program ends.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(title);

    m_wndEdit->setObjectName(QStringLiteral("edit103"));
    m_wndEdit->setReadOnly(true);
    m_wndEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_wndEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_wndEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_wndEdit->setFont(m_font);
    // CR LF, LF and a lone CR each end one line of the snapshot.
    QString shown = QString::fromUtf8(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_wndEdit->setPlainText(shown);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        resize(screen->availableSize() * 3 / 4);
}

void CTearOffFrame::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_wndEdit->setGeometry(kStripWidth, 0, qMax(0, width() - kStripWidth), height());
}

void CTearOffFrame::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), stripColour());
}
