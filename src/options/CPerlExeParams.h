#pragma once

#include "CProgramPage.h"

// The options page of the Perl interpreter.
class CPerlExeParams : public CProgramPage
{
    Q_OBJECT

public:
    explicit CPerlExeParams(QWidget *parent = nullptr);
};
