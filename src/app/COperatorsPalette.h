#pragma once

#include <QList>
#include <QWidget>

class QAction;
class QToolButton;

// The operators toolbar: a floating tool window of buttons in rows of three
// that never docks. Its buttons show the operator they insert.
class COperatorsPalette : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kColumns = 3;

    // `actions` in button order; each action's icon text is the button face.
    COperatorsPalette(const QList<QAction *> &actions, QWidget *frame);

    QList<QToolButton *> buttons() const { return m_buttons; }
    // Rows of buttons as laid out.
    int rowCount() const;

signals:
    void visibilityChanged(bool visible);

protected:
    bool event(QEvent *event) override;

private:
    QList<QToolButton *> m_buttons;
};
