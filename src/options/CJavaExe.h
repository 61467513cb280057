#pragma once

#include "CProgramPage.h"

// The options page of the Java interpreter. Its console-window box starts unchecked and is not kept.
class CJavaExe : public CProgramPage
{
    Q_OBJECT

public:
    explicit CJavaExe(QWidget *parent = nullptr);
};
