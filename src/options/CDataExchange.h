#pragma once

#include <QString>

#include <optional>

class QAbstractButton;
class QLineEdit;
class QWidget;

// One exchange of values between a page's controls and its members, in the
// direction given at construction. The first field that rejects its text
// stops the exchange; the failure names the control and the reason.
class CDataExchange
{
public:
    struct Failure
    {
        QWidget *control = nullptr;
        QString message;
    };

    explicit CDataExchange(bool fromControls)
        : m_bSaveAndValidate(fromControls)
    {
    }

    bool fromControls() const { return m_bSaveAndValidate; }
    const std::optional<Failure> &failure() const { return m_failure; }

    void text(QLineEdit *edit, QString &value);
    void check(QAbstractButton *box, int &value);
    // An integer field from `min` to `max`; shown as the plain number.
    void integer(QLineEdit *edit, long &value, long min, long max);

private:
    bool m_bSaveAndValidate;
    std::optional<Failure> m_failure;
};
