#include "CPredefinedVariables.h"

#include <QStringList>

const std::vector<CPredefinedVariable> &CPredefinedVariables::table()
{
    static const std::vector<CPredefinedVariable> rows = {
        {"$_", "", "Default Search space"},
        {"$!", "$ERRNO or $OS_ERROR", "Last error number or string"},
        {"$&", "$MATCH", "Last successful match string"},
        {"$`", "$PREMATCH", "String preceding last successful pattern match"},
        {"$'", "$POSTMATCH", "String following last successful pattern match"},
        {"$+", "$LAST_PAREN_MATCH", "Last bracket in successful match string"},
        {"$*", "$MULTILINE_MATCHING", "If 1 multiline match, if 0 single line match"},
        {"$.", "$INPUT_LINE_NUMBER", "Line number from last file(handle) read"},
        {"$|", "$OUTPUT_AUTOFLUSH", "Forces output to be committed upon every write/print if true."},
        {"$,", "$OUTPUT_FIELD_SEPARATOR", "What is printed when there is a (,) in the print statement"},
        {"$\"", "$LIST_SEPARATOR", "Separator character when a list is interpolated (converted) into a string"},
        {"$$", "$PROCESS_ID", "Process identifier"},
        {"$<", "$REAL_USER_ID", "Real user id"},
        {"$>", "$EFFECTIVE_USER_ID", "Effective user id"},
        {"$(", "$REAL_GROUP_ID", "Real group id of this process"},
        {"$)", "$EFFECTIVE_GROUP_ID", "Effective group id of this process"},
        {"$0", "$PROGRAM_NAME", "Name of current perl script file"},
        {"$[", "", "Index of the first element in an array"},
        {"$]", "$PERL_VERSION", "Version number of perl interpreter"},
        {"$^D", "$DEBUGGING", "Current value of debugging flags"},
        {"$^F", "$SYSTEM_FD_MAX", " "},
        {"$^H", "", "Contains internal compiler hints"},
        {"$^I", "$INPLACE_EDIT", " "},
        {"$^O", "$OSNAME", "Name of operating system for the interpreter"},
        {"$^P", "$PERLDB", "Internal debugger flag to stop debugger from debugging itself"},
        {"$^T", "$BASETIME", "Time when the perl script started running"},
        {"$^W", "$WARNING", "Are warnings on or off"},
        {"$^X", "$EXECUTABLE_NAME", "The name of the perl executable file"},
        {"$ARGV", "", "Current file name"},
    };
    return rows;
}

QStringList CPredefinedVariables::columnTitles()
{
    return {QStringLiteral("Symbol"), QStringLiteral("English"), QStringLiteral("Description")};
}
