#include "CJavacExe.h"

namespace {

const CProgramPage::Layout kLayout{"Java compiler", "Local Java compiler", "Server java compiler", 1043, 1044, 1052, 1045, 1046,
                                   &CSettings::LOCAL_JAVAC_EXE, &CSettings::LOCAL_JAVAC_PRM, &CSettings::REMOTE_JAVAC_EXE, &CSettings::REMOTE_JAVAC_PRM,
                                   false, true};

} // namespace

CJavacExe::CJavacExe(QWidget *parent)
    : CProgramPage(kLayout, parent)
{
}
