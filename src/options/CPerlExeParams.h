#pragma once

#include "CProgramPage.h"

class QSpinBox;

// The options page of the Perl interpreter.
class CPerlExeParams : public CProgramPage
{
    Q_OBJECT

public:
    explicit CPerlExeParams(QWidget *parent = nullptr);

    void OnApply() override;

protected:
    // Below the interpreters: the perlcritic severity, kept per user with
    // the View switches (not in Ostrak.cfg).
    void OnInitDialog() override;

private:
    QSpinBox *m_criticSeverity = nullptr;
};
