#include "CPerlExeParams.h"

namespace {

const CProgramPage::Layout kLayout{"Perl", "Local perl interpreter", "Server perl interpreter", 1000, 1038, 1012, 1001, 1039,
                                   &CSettings::LOCAL_PERL_EXE, &CSettings::LOCAL_PERL_PRM, &CSettings::REMOTE_PERL_EXE, &CSettings::REMOTE_PERL_PRM,
                                   true, false};

} // namespace

CPerlExeParams::CPerlExeParams(QWidget *parent)
    : CProgramPage(kLayout, parent)
{
}
