#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QWidget>

class QPlainTextEdit;

// A read-only snapshot of the script in a window of its own: the text as it
// was at Tear Off, never updated, in the editor's font, beside a 20-pixel
// strip at the left edge. Deletes itself when closed.
class CTearOffFrame : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kStripWidth = 20;
    // Red 150, green 160, blue 160.
    static QColor stripColour() { return QColor(150, 160, 160); }

    CTearOffFrame(const QString &title, const QByteArray &text, const QFont &font, QWidget *parent = nullptr);

    QPlainTextEdit *edit() const { return m_wndEdit; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPlainTextEdit *m_wndEdit;
    QFont m_font;
};
