#pragma once

#include <QString>

class QDialog;
class QFormLayout;

// The layout the FTP prompts share: their labelled fields above an accept
// button (id 1, the default) and Cancel (id 2), sized in dialog units.
class CFormDialogLayout
{
public:
    static void apply(QDialog &dialog, QFormLayout *form, const QString &acceptText, int widthDu, int heightDu);
};
