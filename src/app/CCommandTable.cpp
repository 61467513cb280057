#include "CCommandTable.h"

namespace {

const std::vector<CCommand> kCommands = {
    {ID_FILE_NEW, "&New\tCtrl+N", "Create a new document\nNew"},
    {ID_FILE_OPEN, "&Open...\tCtrl+O", "Open an existing document\nOpen"},
    {ID_FILE_SAVE, "&Save\tCtrl+S", "Save the active document\nSave"},
    {ID_FILE_SAVE_AS, "Save &As...", "Save the active document with a new name\nSave As"},
    {ID_FILE_LOAD_FROM_SERVER, "&Load from server", "Displays the Load from server dialog\n"},
    {ID_FILE_PUT_BACK, "Put &Back", "Puts back on server without prompting"},
    {ID_FILE_PUT_ON_SERVER, "&Put on server", "Shows the put on server dialog\nPut on server dialog"},
    {ID_FILE_PRINT, "&Print...\tCtrl+P", "Print the active document\nPrint"},
    {ID_FILE_PRINT_PREVIEW, "Print Pre&view", "Display full pages\nPrint Preview"},
    {ID_FILE_PRINT_SETUP, "P&rint Setup...", "Change the printer and printing options\nPrint Setup"},
    {ID_FILE_MRU_FILE1, "Recent File", "Open this document"},
    {ID_APP_EXIT, "E&xit", "Quit the application; prompts to save documents\nExit"},
    {ID_EDIT_UNDO, "&Undo\tCtrl+Z", "Undo the last action\nUndo"},
    {ID_EDIT_REDO, "&Redo\tCtrl+Y", "Redo the previously undone action\nRedo"},
    {ID_EDIT_CUT, "Cu&t\tCtrl+X", "Cut the selection and put it on the Clipboard\nCut"},
    {ID_EDIT_COPY, "&Copy\tCtrl+C", "Copy the selection and put it on the Clipboard\nCopy"},
    {ID_EDIT_PASTE, "&Paste\tCtrl+V", "Insert Clipboard contents\nPaste"},
    {ID_EDIT_CONVERT_DOS, "Convert to &DOS", "Converts the file to DOS format "},
    {ID_EDIT_CONVERT_UNIX, "Convert to UNI&X", "Convert the script to UNIX file format"},
    {ID_EDIT_SELECT_ALL, "Select &All", "Select the entire document\nSelect All"},
    {ID_EDIT_FIND, "&Find", "Find the specified text\nFind"},
    {ID_EDIT_REPLACE, "&Replace", "Replace specific text with different text\nReplace"},
    {ID_EDIT_FIND_NEXT, "Find &Next\tF3", "Find the next occurrence of the text\nFind Next"},
    {ID_EDIT_FIND_PREVIOUS, "Find Pre&vious\tShift+F3", "Find the previous occurrence of the text\nFind Previous"},
    {ID_EDIT_GO_TO_LINE, "&Go to Line...\tCtrl+G", "Move the caret to a line given by its number\nGo to Line"},
    {ID_EDIT_COMPLETE_WORD, "Complete &Word\tCtrl+Space",
     "Complete the word before the caret from the script's words and Perl's functions\nComplete Word"},
    {ID_EDIT_TIDY, "&Tidy\tCtrl+Shift+T", "Lay out the selection, or the whole script, with perltidy\nTidy"},
    {ID_VIEW_TOOLBAR, "&Toolbar", "Show or hide the toolbar\nToggle ToolBar"},
    {ID_VIEW_STATUS_BAR, "&Status Bar", "Show or hide the status bar\nToggle StatusBar"},
    {ID_VIEW_TEAR_OFF, "Tear &Off", "Tear off current view to a new Frame\n"},
    {ID_VIEW_IN_BROWSER, "In &Browser", "View the document in a Browser\n"},
    {ID_VIEW_SCALARS, "&Scalars", ""},
    {ID_VIEW_ARRAYS, "&Arrays", "Arrays"},
    {ID_VIEW_HASHES, "&Hashes", "Hashes"},
    {ID_VIEW_SPECIAL, "Special ", "Predefined perl variables"},
    {ID_VIEW_FUNCTIONS, "&Functions", "View perl functions\n"},
    {ID_VIEW_SCRIPTING_TOOLBAR, "Scri&pting Toolbar", "Scripting toolbar"},
    {ID_VIEW_OPERATORS, "&Operators ", "Operators Toolbar"},
    {ID_VIEW_SYNTAX_COLOURING, "Syntax &Colouring", "Colour the script by its language\nSyntax Colouring"},
    {ID_VIEW_LINE_NUMBERS, "&Line Numbers", "Show or hide the line numbers\nLine Numbers"},
    {ID_VIEW_INDENTATION_GUIDES, "&Indentation Guides", "Show or hide the indentation guides\nIndentation Guides"},
    {ID_VIEW_REOPEN_LAST, "&Reopen Last Script", "Open the last script again at the next start\nReopen Last Script"},
    {ID_VIEW_OUTLINE, "Out&line\tCtrl+Shift+O", "Show or hide the list of the script's packages and subs\nOutline"},
    {ID_VIEW_SYNTAX_CHECK, "Check Syntax While &Typing",
     "Check the script with perl -c while typing; this runs its BEGIN blocks and use statements\nCheck Syntax While Typing"},
    {ID_SCRIPT_RUN, "&Run", "Run the script immediately\nRun the script in view"},
    {ID_SCRIPT_COMPILE, "&Compile", "Check syntax and warn if any errors"},
    {ID_SCRIPT_DEBUG, "&Debug ", "Start debugging the script"},
    {ID_SCRIPT_CRITIC, "Cri&tic", "Check the script against perlcritic's policies\nCritic"},
    {ID_SCRIPT_NEXT_MESSAGE, "&Next Message\tF8", "Go to the next line with an error or a warning\nNext Message"},
    {ID_SCRIPT_PREVIOUS_MESSAGE, "Pre&vious Message\tShift+F8",
     "Go to the previous line with an error or a warning\nPrevious Message"},
    {ID_SCRIPT_RUN_ON_SERVER, "Run on &Server", "Run the current script on the server\nRun on server"},
    {ID_SCRIPT_RUN_IN_BROWSER, "Run in &Browser", "Runs the script as a url in a browser."},
    {ID_SCRIPT_SPECIFY_INPUTS, "Specify &Inputs", "Specify script inputs\nSpecify script inputs"},
    {ID_TOOLS_OPTIONS, "&Options", "Options"},
    {ID_TOOLS_SERVER_ACCESS, "&Server Access", "Talk to the server."},
    {ID_TOOLS_INPUT_DESIGNER, "&Input Designer", "Design Inputs "},
    {ID_TOOLS_DOS_WINDOW, "&Dos Window", "Just show an MS-DOS window"},
    {ID_HELP_PERLDOC, "&Perl Help\tF1", "Show Perl's documentation of the word at the caret\nPerl Help"},
    {ID_APP_ABOUT, "&About Ostrak...", "Display program information, version number and copyright\nAbout"},
    {ID_NEXT_PANE, "", "Switch to the next window pane\nNext Pane"},
    {ID_PREV_PANE, "", "Switch back to the previous window pane\nPrevious Pane"},
    {ID_VIEW_FONT, "", ""},
    {ID_WINDOW_CLOSE_FUNCTIONS, "&Close", "Close this window"},

    // Scripting toolbar.
    {32780, "", "Add an if block statement to the current location\nif then else "},
    {32781, "", "Add a while block\nwhile statement"},
    {32782, "", "For block\nfor statement"},
    {32783, "", "Subroutine Block\nSubroutine "},
    {32993, "", "For each item in a list do\nforeach statement"},
    {33002, "", "Last\nlast"},
    {33003, "", "Next\nNext"},
    {33004, "", "Redo\nRedo"},
    {33005, "", "Goto Statement\nGoto statement"},
    {33006, "", "DO while block\ndo while"},
    {33007, "", "A Block of code\nInsert a block of code {}"},

    // Operators toolbar.
    {32962, "", "Pattern matching\nPattern matched"},
    {32963, "", "Pattern not matched\nPattern not matched"},
    {32964, "", "Compares two numeric entities for equality\nNumeric Equality operator"},
    {32925, "", "Not equal to\nNot equal to"},
    {32926, "", "Assigns the sum to the left variable\nAdd and assign"},
    {32927, "", "Assigns the difference to the left variable\nSubtract and assign"},
    {32928, "", "Assign the product to the variable on left\nMultiply and assign"},
    {32929, "", "Assigns the quotient to the left variable\nDivide and assign quotient"},
    {32930, "", "Divide two numbers\nDivision"},
    {32931, "", "Multiplies two numbers\nMultiplication"},
    {32932, "", "Adds two numbers\nAddition"},
    {32933, "", "Finds the difference between two numbers\nSubtraction"},
    {32934, "", "Find the modulus of two numbers\nModulus (Remainder)"},
    {32935, "", "Assignment\nAssign"},
    {32936, "", "List operator\nConvert to list "},
    {32937, "", "Array subscript\nSubscript"},
    {32938, "", "Double quote it\nDouble quote it"},
    {32939, "", "Single Quote Selections\nSingle quote it"},
    {32940, "", "Assign modulus to\nAssign modulus to"},
    {32965, "", "Repeat string and assign\nRepeat and assign"},
    {32971, "", "Assign bitwise ORed result\nBitwise OR and assign"},
    {32975, "", "Assign bitwise ANDed result\nBitwise AND and assign"},
    {32973, "", "Assign bitwise XORed result\nBitwise XOR and assign"},
    {32945, "", "Assign with Concatenation\nConcat and assign"},
    {32946, "", "Assign ANDed result\nAND operands and assign"},
    {32947, "", "OR operand with result and assign result\nOR with operand and assign result"},
    {32948, "", "Assign bitwise left shifted result\nBit shift left and assign."},
    {32978, "", "Assign bitwise right shifted result\nBit shift right and assign."},
    {32950, "", "Specify Range\nRange operator"},
    {32951, "", "Exclusive OR.\nExclusive OR."},
    {32952, "", "Inclusive OR true if either operand is true\nOR."},
    {32953, "", "AND, true if both operands are true\nAND."},
    {32954, "", "Negative logic. The Not operator\nNegation operator"},
    {32957, "", "Conditional operator just like if. It is an abbreviated form of if used for simple "
                "if then else logic.\nIf then else conditional operator."},
    {32958, "", "Evaluate to -1, 0 or 1 if a < b, a = b or a > b respectively.\n"
                "Three way binary if operator returns -1, 0 or 1"},
    {32959, "", "Special Range operator\nSpecial range operator"},
    {32960, "", "Associate key to value\nAssigns associative element at value"},
    {32961, "", "Dereference operator\nDereference"},
    {32942, "", "Bitwise OR\nBitwise OR"},
    {32967, "", "Bitwise XOR\nBitwise XOR "},
    {32966, "", "Bitwise AND\nBitwise AND"},
    {32976, "", "String concatenation operator\nString concatenation"},
    {32977, "", "String multiplication - repeat string n times\nRepeat string"},
    {32995, "", "Comma operator used often to separate items in a list.\nComma operator"},
};

CMenuItem cmd(int id) { return {CMenuItem::Command, id}; }
CMenuItem sep() { return {CMenuItem::Separator}; }

} // namespace

QString CCommand::prompt() const
{
    const QString s = QString::fromUtf8(string);
    const qsizetype nl = s.indexOf(QLatin1Char('\n'));
    return nl < 0 ? s : s.left(nl);
}

QString CCommand::tip() const
{
    const QString s = QString::fromUtf8(string);
    const qsizetype nl = s.indexOf(QLatin1Char('\n'));
    return nl < 0 ? QString() : s.mid(nl + 1);
}

bool CCommand::hasTip() const
{
    return !tip().isEmpty();
}

const std::vector<CCommand> &CCommandTable::commands()
{
    return kCommands;
}

const CCommand *CCommandTable::find(int id)
{
    for (const CCommand &c : kCommands) {
        if (c.id == id)
            return &c;
    }
    return nullptr;
}

const std::vector<CMenu> &CCommandTable::menus()
{
    static const std::vector<CMenu> menus = {
        {"&File", {cmd(ID_FILE_NEW), cmd(ID_FILE_OPEN), cmd(ID_FILE_SAVE), cmd(ID_FILE_SAVE_AS), sep(),
                   cmd(ID_FILE_LOAD_FROM_SERVER), cmd(ID_FILE_PUT_BACK), cmd(ID_FILE_PUT_ON_SERVER), sep(),
                   cmd(ID_FILE_PRINT), cmd(ID_FILE_PRINT_PREVIEW), cmd(ID_FILE_PRINT_SETUP), sep(),
                   {CMenuItem::RecentFiles, ID_FILE_MRU_FILE1}, sep(), cmd(ID_APP_EXIT)}},
        {"&Edit", {cmd(ID_EDIT_UNDO), cmd(ID_EDIT_REDO), sep(), cmd(ID_EDIT_CUT), cmd(ID_EDIT_COPY), cmd(ID_EDIT_PASTE), sep(),
                   cmd(ID_EDIT_CONVERT_DOS), cmd(ID_EDIT_CONVERT_UNIX), sep(), cmd(ID_EDIT_SELECT_ALL), sep(),
                   cmd(ID_EDIT_FIND), cmd(ID_EDIT_REPLACE), cmd(ID_EDIT_FIND_NEXT), cmd(ID_EDIT_FIND_PREVIOUS),
                   cmd(ID_EDIT_GO_TO_LINE), sep(), cmd(ID_EDIT_COMPLETE_WORD), cmd(ID_EDIT_TIDY)}},
        {"&View", {cmd(ID_VIEW_TOOLBAR), cmd(ID_VIEW_STATUS_BAR), cmd(ID_VIEW_TEAR_OFF), cmd(ID_VIEW_IN_BROWSER),
                   sep(),
                   {CMenuItem::Submenu, 0, "&Variables",
                    {cmd(ID_VIEW_SCALARS), cmd(ID_VIEW_ARRAYS), cmd(ID_VIEW_HASHES), cmd(ID_VIEW_SPECIAL)}},
                   cmd(ID_VIEW_FUNCTIONS), cmd(ID_VIEW_OUTLINE), sep(), cmd(ID_VIEW_SCRIPTING_TOOLBAR), cmd(ID_VIEW_OPERATORS), sep(),
                   cmd(ID_VIEW_SYNTAX_COLOURING), cmd(ID_VIEW_LINE_NUMBERS), cmd(ID_VIEW_INDENTATION_GUIDES),
                   cmd(ID_VIEW_REOPEN_LAST), cmd(ID_VIEW_SYNTAX_CHECK)}},
        {"&Script", {cmd(ID_SCRIPT_RUN), cmd(ID_SCRIPT_COMPILE), cmd(ID_SCRIPT_DEBUG), sep(),
                     cmd(ID_SCRIPT_CRITIC), cmd(ID_SCRIPT_NEXT_MESSAGE), cmd(ID_SCRIPT_PREVIOUS_MESSAGE), sep(),
                     cmd(ID_SCRIPT_RUN_ON_SERVER), cmd(ID_SCRIPT_RUN_IN_BROWSER), sep(),
                     cmd(ID_SCRIPT_SPECIFY_INPUTS)}},
        {"&Tools", {cmd(ID_TOOLS_OPTIONS), cmd(ID_TOOLS_SERVER_ACCESS), cmd(ID_TOOLS_INPUT_DESIGNER), sep(),
                    cmd(ID_TOOLS_DOS_WINDOW)}},
        {"&Help", {cmd(ID_HELP_PERLDOC), sep(), cmd(ID_APP_ABOUT)}},
    };
    return menus;
}

QList<QKeySequence> CCommandTable::accelerators(int id)
{
    switch (id) {
    case ID_FILE_NEW: return {QKeySequence(Qt::CTRL | Qt::Key_N)};
    case ID_FILE_OPEN: return {QKeySequence(Qt::CTRL | Qt::Key_O)};
    case ID_FILE_SAVE: return {QKeySequence(Qt::CTRL | Qt::Key_S)};
    case ID_FILE_PRINT: return {QKeySequence(Qt::CTRL | Qt::Key_P)};
    case ID_EDIT_UNDO: return {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)};
    case ID_EDIT_REDO: return {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)};
    case ID_EDIT_FIND: return {QKeySequence(Qt::CTRL | Qt::Key_F)};
    case ID_EDIT_REPLACE: return {QKeySequence(Qt::CTRL | Qt::Key_H)};
    case ID_EDIT_FIND_NEXT: return {QKeySequence(Qt::Key_F3)};
    case ID_EDIT_FIND_PREVIOUS: return {QKeySequence(Qt::SHIFT | Qt::Key_F3)};
    case ID_EDIT_GO_TO_LINE: return {QKeySequence(Qt::CTRL | Qt::Key_G)};
    case ID_EDIT_COMPLETE_WORD: return {QKeySequence(Qt::CTRL | Qt::Key_Space)};
    case ID_SCRIPT_RUN: return {QKeySequence(Qt::Key_F5)};
    case ID_SCRIPT_COMPILE: return {QKeySequence(Qt::CTRL | Qt::Key_F7)};
    case ID_SCRIPT_DEBUG: return {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F5)};
    case ID_EDIT_TIDY: return {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T)};
    case ID_VIEW_OUTLINE: return {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)};
    case ID_HELP_PERLDOC: return {QKeySequence(Qt::Key_F1)};
    case ID_SCRIPT_NEXT_MESSAGE: return {QKeySequence(Qt::Key_F8)};
    case ID_SCRIPT_PREVIOUS_MESSAGE: return {QKeySequence(Qt::SHIFT | Qt::Key_F8)};
    case ID_EDIT_CUT: return {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)};
    case ID_EDIT_COPY: return {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)};
    case ID_EDIT_PASTE: return {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)};
    case ID_NEXT_PANE: return {QKeySequence(Qt::Key_F6)};
    case ID_PREV_PANE: return {QKeySequence(Qt::SHIFT | Qt::Key_F6)};
    case ID_VIEW_FONT: return {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)};
    default: return {};
    }
}

const std::vector<int> &CCommandTable::mainToolbar()
{
    static const std::vector<int> ids = {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_EDIT_CUT, ID_EDIT_COPY,
                                         ID_EDIT_PASTE, 0, ID_FILE_PRINT, 0, ID_APP_ABOUT, ID_SCRIPT_RUN};
    return ids;
}

const std::vector<int> &CCommandTable::scriptingToolbar()
{
    static const std::vector<int> ids = {32780, 32781, 32782, 32783, 32993, 33002, 33003, 33004, 33005, 33006, 33007};
    return ids;
}

const std::vector<int> &CCommandTable::operatorsToolbar()
{
    static const std::vector<int> ids = {32962, 32963, 32964, 32925, 32926, 32927, 32928, 32929, 32930, 32931, 32932,
                                         32933, 32934, 32935, 32936, 32937, 32938, 32939, 32940, 32965, 32971, 32975,
                                         32973, 32945, 32946, 32947, 32948, 32978, 32950, 32951, 32952, 32953, 32954,
                                         32957, 32958, 32959, 32960, 32961, 32942, 32967, 32966, 32976, 32977, 32995};
    return ids;
}
