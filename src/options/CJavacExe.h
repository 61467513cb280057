#pragma once

#include "CProgramPage.h"

// The options page of the Java compiler. Its console-window box starts unchecked and is not kept.
class CJavacExe : public CProgramPage
{
    Q_OBJECT

public:
    explicit CJavacExe(QWidget *parent = nullptr);
};
