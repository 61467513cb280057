#include "CJavaExe.h"

namespace {

const CProgramPage::Layout kLayout{"Java Interpreter", "Local java interpreter", "Server java interpreter", 1047, 1048, 1051, 1049, 1050,
                                   &CSettings::LOCAL_JAVA_EXE, &CSettings::LOCAL_JAVA_PRM, &CSettings::REMOTE_JAVA_EXE, &CSettings::REMOTE_JAVA_PRM,
                                   false, false};

} // namespace

CJavaExe::CJavaExe(QWidget *parent)
    : CProgramPage(kLayout, parent)
{
}
