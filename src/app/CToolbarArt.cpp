#include "CToolbarArt.h"

#include "CommandIds.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

const QColor kInk(40, 40, 40);
const QColor kPaper(255, 255, 255);

QPixmap canvas(QSize size)
{
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    return pm;
}

void page(QPainter &p, QRectF r, bool folded)
{
    QPainterPath path;
    const qreal fold = folded ? 4 : 0;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawPath(path);
    if (folded) {
        p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
        p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
    }
}

void textLines(QPainter &p, QRectF r, int lines)
{
    p.setPen(QPen(QColor(120, 120, 140), 1));
    for (int i = 0; i < lines; ++i) {
        const qreal y = r.top() + 3 + i * 2;
        if (y < r.bottom() - 1)
            p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
    }
}

// An arrow head at `tip` pointing along the angle `degrees` (0 = right, 90 = down).
void arrowHead(QPainter &p, QPointF tip, qreal degrees, const QColor &color)
{
    QPainterPath head;
    head.moveTo(0, 0);
    head.lineTo(-4, -3);
    head.lineTo(-4, 3);
    head.closeSubpath();
    p.save();
    p.translate(tip);
    p.rotate(degrees);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(head);
    p.restore();
}

void keyword(QPainter &p, QSize size, const QString &text, const QColor &color)
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(text.size() > 2 ? 9 : 11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(color);
    p.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, text);
}

QPixmap drawMain(int id)
{
    QPixmap pm = canvas(CToolbarArt::kMainButton);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    switch (id) {
    case ID_FILE_NEW:
        page(p, QRectF(3.5, 1.5, 9, 12), true);
        break;
    case ID_FILE_OPEN: {
        p.setPen(QPen(QColor(150, 110, 20), 1));
        p.setBrush(QColor(240, 200, 80));
        p.drawRect(QRectF(1.5, 3.5, 11, 9));
        p.drawRect(QRectF(1.5, 2.5, 5, 1));
        QPainterPath flap;
        flap.moveTo(3.5, 6.5);
        flap.lineTo(14.5, 6.5);
        flap.lineTo(12.5, 12.5);
        flap.lineTo(1.5, 12.5);
        flap.closeSubpath();
        p.setBrush(QColor(255, 225, 120));
        p.drawPath(flap);
        break;
    }
    case ID_FILE_SAVE:
        p.setPen(QPen(QColor(20, 40, 110), 1));
        p.setBrush(QColor(60, 100, 200));
        p.drawRect(QRectF(1.5, 1.5, 12, 12));
        p.setBrush(kPaper);
        p.drawRect(QRectF(3.5, 1.5, 8, 5));
        p.setBrush(QColor(200, 200, 210));
        p.drawRect(QRectF(4.5, 9.5, 6, 4));
        break;
    case ID_EDIT_CUT:
        p.setPen(QPen(kInk, 1.2));
        p.drawLine(QPointF(4, 1), QPointF(10, 10));
        p.drawLine(QPointF(12, 1), QPointF(6, 10));
        p.setPen(QPen(QColor(180, 30, 30), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(4.5, 11.5), 2.2, 2.2);
        p.drawEllipse(QPointF(11.5, 11.5), 2.2, 2.2);
        break;
    case ID_EDIT_COPY:
        page(p, QRectF(1.5, 1.5, 8, 9), false);
        textLines(p, QRectF(1.5, 1.5, 8, 9), 3);
        page(p, QRectF(6.5, 4.5, 8, 9), false);
        textLines(p, QRectF(6.5, 4.5, 8, 9), 3);
        break;
    case ID_EDIT_PASTE:
        p.setPen(QPen(QColor(100, 70, 30), 1));
        p.setBrush(QColor(190, 140, 70));
        p.drawRect(QRectF(1.5, 2.5, 10, 11));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(4.5, 1.5, 4, 2));
        page(p, QRectF(6.5, 5.5, 8, 8), false);
        textLines(p, QRectF(6.5, 5.5, 8, 8), 3);
        break;
    case ID_FILE_PRINT:
        page(p, QRectF(4.5, 0.5, 7, 6), false);
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(170, 170, 180));
        p.drawRect(QRectF(1.5, 5.5, 13, 6));
        p.setBrush(kPaper);
        p.drawRect(QRectF(4.5, 9.5, 7, 4));
        p.setPen(QPen(QColor(40, 170, 40), 1));
        p.drawPoint(QPointF(12.5, 7.5));
        break;
    case ID_APP_ABOUT: {
        p.setPen(QPen(QColor(20, 60, 150), 1));
        p.setBrush(QColor(60, 120, 220));
        p.drawEllipse(QRectF(1, 0.5, 14, 14));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(11);
        font.setBold(true);
        p.setFont(font);
        p.setPen(kPaper);
        p.drawText(QRectF(1, 0.5, 14, 14), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case ID_SCRIPT_RUN: {
        QPainterPath play;
        play.moveTo(3.5, 1.5);
        play.lineTo(13.5, 7.5);
        play.lineTo(3.5, 13.5);
        play.closeSubpath();
        p.setPen(QPen(QColor(20, 110, 20), 1));
        p.setBrush(QColor(50, 180, 50));
        p.drawPath(play);
        break;
    }
    default:
        return QPixmap();
    }
    return pm;
}

// A loop arrow around the centre; clockwise unless `back`.
void loopArrow(QPainter &p, QRectF r, bool back, const QColor &color)
{
    p.setPen(QPen(color, 1.6));
    p.setBrush(Qt::NoBrush);
    if (back) {
        p.drawArc(r, 180 * 16, 270 * 16);
        arrowHead(p, QPointF(r.left() + 0.5, r.center().y() - 1), 270, color);
    } else {
        p.drawArc(r, 0, 270 * 16);
        arrowHead(p, QPointF(r.right() - 0.5, r.center().y() - 1), 270, color);
    }
}

QPixmap drawScripting(int id)
{
    const QSize size = CToolbarArt::kScriptingButton;
    QPixmap pm = canvas(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const QColor blue(30, 70, 170);
    const QColor green(30, 130, 40);
    const QColor red(180, 40, 30);
    switch (id) {
    case 32780:   // if
        keyword(p, size, QStringLiteral("if"), blue);
        break;
    case 32781:   // while
        loopArrow(p, QRectF(3.5, 2.5, 11, 10), false, blue);
        break;
    case 32782:   // for
        keyword(p, size, QStringLiteral("for"), blue);
        break;
    case 32783:   // sub
        keyword(p, size, QStringLiteral("sub"), QColor(120, 40, 140));
        break;
    case 32993:   // foreach: a loop over a list
        p.setPen(QPen(kInk, 1));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(1.5, 3.5 + i * 4), QPointF(6.5, 3.5 + i * 4));
        loopArrow(p, QRectF(8.5, 3.5, 8, 8), false, blue);
        break;
    case 33002: {   // last: out of the block
        p.setPen(QPen(kInk, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(1.5, 2.5, 8, 10));
        p.setPen(QPen(red, 1.6));
        p.drawLine(QPointF(5, 7.5), QPointF(15, 7.5));
        arrowHead(p, QPointF(17.5, 7.5), 0, red);
        break;
    }
    case 33003: {   // next: back to the top of the loop
        p.setPen(QPen(kInk, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(1.5, 1.5, 10, 12));
        p.setPen(QPen(green, 1.6));
        QPainterPath back;
        back.moveTo(6, 11);
        back.lineTo(15, 11);
        back.lineTo(15, 4);
        back.lineTo(9, 4);
        p.drawPath(back);
        arrowHead(p, QPointF(6, 4), 180, green);
        break;
    }
    case 33004:   // redo
        loopArrow(p, QRectF(3.5, 2.5, 11, 10), true, green);
        break;
    case 33005: {   // goto
        p.setPen(QPen(kInk, 1.6));
        p.drawLine(QPointF(1.5, 7.5), QPointF(11, 7.5));
        arrowHead(p, QPointF(13, 7.5), 0, kInk);
        p.setPen(Qt::NoPen);
        p.setBrush(red);
        p.drawEllipse(QPointF(15, 7.5), 2, 2);
        break;
    }
    case 33006:   // do while
        keyword(p, size, QStringLiteral("do"), blue);
        break;
    case 33007:   // block
        keyword(p, size, QStringLiteral("{}"), kInk);
        break;
    default:
        return QPixmap();
    }
    return pm;
}

} // namespace

QIcon CToolbarArt::icon(int id)
{
    QPixmap pm = drawMain(id);
    if (pm.isNull())
        pm = drawScripting(id);
    return pm.isNull() ? QIcon() : QIcon(pm);
}

QIcon CToolbarArt::applicationIcon()
{
    QIcon icon;
    for (int side : {16, 32, 48}) {
        QPixmap pm = canvas(QSize(side, side));
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 90, 160));
        p.drawRoundedRect(QRectF(0, 0, side, side), side / 6.0, side / 6.0);
        p.setPen(QPen(QColor(255, 255, 255), side / 8.0));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(side * 0.22, side * 0.22, side * 0.56, side * 0.56));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}
