#include "COstrakView.h"

#include "CCodeDisplay.h"
#include "CInsertionTable.h"
#include "CLineEnds.h"
#include "CSyntaxColours.h"
#include "app/COstrakApp.h"
#include "app/CViewFont.h"

#include <Qsci/qscilexer.h>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontDatabase>
#include <QFontDialog>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

using Sci = QsciScintillaBase;

// QScintilla's own accessible converts byte positions to character offsets
// by counting from the start of the document on every edit and caret move,
// which makes typing near the end of a large script slow. Without an
// assistive technology a plain widget accessible is all that is needed.
// The factory is asked about objects of every library, some of whose types
// are hidden from the sanitizer's type check, hence no vptr check here.
__attribute__((no_sanitize("vptr"))) QAccessibleInterface *plainEditorAccessible(const QString &, QObject *object)
{
    if (object && object->isWidgetType() && object->inherits("QsciScintillaBase"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::EditableText);
    return nullptr;
}

bool g_plainAccessibility = false;

// Runs before the first editor exists, so that no editor ever gets the
// costly accessible (accessibles are cached per widget once created).
QWidget *prepareAccessibility(QWidget *parent)
{
    static const bool installed = [] {
        if (QAccessible::isActive())
            return false;
        QAccessible::installFactory(plainEditorAccessible);
        return true;
    }();
    g_plainAccessibility = installed;
    return parent;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool isModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta
        || key == Qt::Key_AltGr || key == Qt::Key_CapsLock || key == Qt::Key_NumLock;
}

bool typesText(const QKeyEvent *event)
{
    const QString text = event->text();
    return !text.isEmpty() && text.front().isPrint();
}

} // namespace

COstrakView::COstrakView(QWidget *parent)
    : QsciScintilla(prepareAccessibility(parent))
    , m_app(COstrakApp::instance())
{
    setUtf8(true);
    setEolVisibility(false);
    setWrapMode(QsciScintilla::WrapNone);
    setMarginWidth(1, 0);
    setMarginType(0, QsciScintilla::NumberMargin);
    m_font = font();
    // Enter inserts the document's own line end (set before each Enter);
    // nothing else converts line ends.
    SendScintilla(SCI_SETEOLMODE, SC_EOL_LF);
    setEolMode(QsciScintilla::EolUnix);
    // The horizontal scroll bar follows the widest line shown so far.
    SendScintilla(SCI_SETSCROLLWIDTH, 1UL);
    SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1UL);
    // Fold level changes only: a folded block whose header stops opening a
    // block is shown again. They come while lines are styled, not per key.
    // The "before" notifications of insertions and deletions tell that the
    // text changes without the cost of the text's own notifications.
    if (g_plainAccessibility)
        SendScintilla(SCI_SETMODEVENTMASK,
                      static_cast<unsigned long>(SC_MOD_CHANGEFOLD | SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE));
    connect(this, &QsciScintillaBase::SCN_MODIFIED, this, [this](int, int type) {
        if (type & (SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE | SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT))
            emit textEdited();
    });

    // The margin follows the line count; this notification costs nothing
    // per key, unlike SCN_MODIFIED.
    connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int) { updateLineNumberWidth(); });
    applyMargins();
    CCodeDisplay::apply(*this);

    if (m_app) {
        connect(m_app, &COstrakApp::editorFontChanged, this, &COstrakView::applyFont);
        // Tab expansion and auto-indent are read at each key; the tab width is kept.
        connect(m_app, &COstrakApp::settingsChanged, this, &COstrakView::rebuildTabFiller);
        if (m_app->editorFont())
            applyFont(*m_app->editorFont());
    }
    rebuildTabFiller();
}

void COstrakView::setSyntaxColouring(bool on)
{
    m_colouring = on;
    applyLexer();
}

void COstrakView::setLineNumbers(bool on)
{
    m_lineNumbers = on;
    updateLineNumberWidth(true);
}

void COstrakView::chooseSyntax(const QString &path)
{
    m_chosen = CSyntaxChoice::forFile(path, lineHead(0));
    applyLexer();
}

void COstrakView::applyLexer()
{
    const CSyntaxChoice::Language wanted = m_colouring ? m_chosen : CSyntaxChoice::Plain;
    if (wanted == m_language)
        return;
    QsciLexer *old = m_lexer;
    m_lexer = CSyntaxColours::makeLexer(wanted, this);
    if (m_lexer) {
        CSyntaxColours::applyFont(*m_lexer, styleFont(m_font));
        CCodeDisplay::prepareLexer(*m_lexer);
    }
    setLexer(m_lexer);
    CCodeDisplay::followLexer(*this, m_lexer != nullptr);
    delete old;
    m_language = wanted;
    // Without a lexer this restores the plain style.
    setFont(styleFont(m_font));
    QWidget::setFont(m_font);
    // Setting a lexer resets every style, the margin's too.
    applyMargins();
}

void COstrakView::applyMargins()
{
    setMarginsFont(styleFont(m_font));
    setMarginsBackgroundColor(CSyntaxColours::marginPaper());
    setMarginsForegroundColor(CSyntaxColours::marginText());
    updateLineNumberWidth(true);
}

void COstrakView::updateLineNumberWidth(bool force)
{
    int digits = 0;
    if (m_lineNumbers) {
        for (long count = SendScintilla(SCI_GETLINECOUNT); count > 0; count /= 10)
            ++digits;
    }
    if (digits == m_numberDigits && !force)
        return;
    m_numberDigits = digits;
    // One digit more than the count needs, as room on both sides.
    if (digits == 0)
        setMarginWidth(0, 0);
    else
        setMarginWidth(0, QString(digits + 1, QLatin1Char('9')));
}

QByteArray COstrakView::bytes() const
{
    const long length = SendScintilla(SCI_GETLENGTH);
    const char *data = reinterpret_cast<const char *>(SendScintilla(SCI_GETCHARACTERPOINTER));
    return QByteArray(data, length);
}

qsizetype COstrakView::byteLength() const
{
    return SendScintilla(SCI_GETLENGTH);
}

void COstrakView::setBytes(const QByteArray &bytes, bool resetUndo)
{
    const bool readOnly = isReadOnly();
    setReadOnly(false);
    if (resetUndo)
        SendScintilla(SCI_SETUNDOCOLLECTION, 0UL);
    else
        SendScintilla(SCI_BEGINUNDOACTION);
    SendScintilla(SCI_CLEARALL);
    SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(bytes.size()), bytes.constData());
    if (resetUndo) {
        SendScintilla(SCI_SETUNDOCOLLECTION, 1UL);
        SendScintilla(SCI_EMPTYUNDOBUFFER);
    } else {
        SendScintilla(SCI_ENDUNDOACTION);
    }
    SendScintilla(SCI_GOTOPOS, 0UL);
    setReadOnly(readOnly);
    updateLineNumberWidth();
}

void COstrakView::loadText(const QByteArray &bytes, const QString &path)
{
    const bool readOnly = isReadOnly();
    setReadOnly(false);
    SendScintilla(SCI_CLEARALL);
    setReadOnly(readOnly);
    m_chosen = CSyntaxChoice::forFile(path, CSyntaxChoice::firstLine(bytes));
    applyLexer();
    setBytes(bytes);
}

void COstrakView::replaceSelectionBytes(const QByteArray &bytes)
{
    SendScintilla(SCI_BEGINUNDOACTION);
    SendScintilla(SCI_TARGETFROMSELECTION);
    SendScintilla(SCI_REPLACETARGET, static_cast<unsigned long>(bytes.size()), bytes.constData());
    const long end = SendScintilla(SCI_GETTARGETEND);
    SendScintilla(SCI_SETSEL, end, end);
    SendScintilla(SCI_ENDUNDOACTION);
    SendScintilla(SCI_SCROLLCARET);
}

QByteArray COstrakView::selectedBytes() const
{
    const long start = SendScintilla(SCI_GETSELECTIONSTART);
    const long end = SendScintilla(SCI_GETSELECTIONEND);
    const char *data = reinterpret_cast<const char *>(SendScintilla(SCI_GETRANGEPOINTER, start, end - start));
    return QByteArray(data, end - start);
}

QByteArray COstrakView::documentLineEnd() const
{
    // Looks at the text in pieces: asking for the whole text would move the
    // editor's gap buffer, which costs a copy of the document while the user
    // types near its start.
    constexpr long kPiece = 64 * 1024;
    const long length = SendScintilla(SCI_GETLENGTH);
    for (long pos = 0; pos < length; pos += kPiece) {
        const long n = std::min(kPiece + 1, length - pos);   // one byte more for a CR LF across pieces
        const char *data = reinterpret_cast<const char *>(
            SendScintilla(SCI_GETRANGEPOINTER, static_cast<unsigned long>(pos), n));
        const long scan = std::min(kPiece, n);
        for (long i = 0; i < scan; ++i) {
            if (data[i] == '\n' || data[i] == '\r')
                return CLineEnds::documentLineEnd(data + i, n - i);
        }
    }
    return QByteArrayLiteral("\n");
}

QFont COstrakView::styleFont(const QFont &font) const
{
    if (font.pixelSize() <= 0)
        return font;
    // Hundredths of a point, rounded up so that the pixels never fall short.
    const double points = std::ceil(font.pixelSize() * 72.0 * 100.0 / logicalDpiY()) / 100.0;
    QFont sized = font;
    sized.setPointSizeF(points);
    return sized;
}

int COstrakView::displayedTabWidth(int columns)
{
    // No width means the editor's usual 8; the settings never give more
    // than CSettings::MaxTabSize.
    constexpr int kUsual = 8;
    return columns <= 0 ? kUsual : columns;
}

void COstrakView::applyFont(const QFont &font)
{
    m_font = font;
    const QFont sized = styleFont(font);
    if (m_lexer)
        CSyntaxColours::applyFont(*m_lexer, sized);
    setFont(sized);
    // The widget's own font stays as the user named it.
    QWidget::setFont(font);
    applyMargins();
}

void COstrakView::rebuildTabFiller()
{
    m_nTabWidth = m_app ? std::max(0, m_app->settings().tabSize()) : 0;
    m_strTabFiller = QByteArray(m_nTabWidth, ' ');
    setTabWidth(displayedTabWidth(m_nTabWidth));
}

void COstrakView::OnInitialUpdate()
{
    if (!m_app)
        return;
    const std::optional<CViewFont> described = CViewFont::parse(m_app->settings().VIEW_FONT);
    m_app->setEditorFont(described ? described->toFont() : CViewFont::defaultFont());
    rebuildTabFiller();
    m_app->setCaretPosition(1, 1);
}

void COstrakView::OnViewFont()
{
    const QFont current = m_app && m_app->editorFont() ? *m_app->editorFont()
                                                       : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    QFontDialog dialog(current, this);
    dialog.setObjectName(QStringLiteral("fontDialog"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    // VIEW_FONT stays as it is: the next New or Open brings its font back.
    if (m_app)
        m_app->setEditorFont(dialog.selectedFont());
    else
        applyFont(dialog.selectedFont());
}

bool COstrakView::OnInsertCode(int id)
{
    const CInsertion *insertion = CInsertionTable::find(id);
    if (!insertion)
        return false;
    const QByteArray selected = insertion->wraps() ? selectedBytes() : QByteArray();
    const QByteArray lineEnd = insertion->wraps() ? QByteArray() : documentLineEnd();
    replaceSelectionBytes(insertion->text(selected, lineEnd));
    return true;
}

void COstrakView::showLine(int line)
{
    const long count = SendScintilla(SCI_GETLINECOUNT);
    const unsigned long index = static_cast<unsigned long>(std::clamp<long>(line - 1, 0, count - 1));
    const long start = SendScintilla(SCI_POSITIONFROMLINE, index);
    const long end = SendScintilla(SCI_GETLINEENDPOSITION, index);
    SendScintilla(SCI_ENSUREVISIBLEENFORCEPOLICY, index);
    // The anchor at the line's end, the caret at its start.
    SendScintilla(SCI_SETSEL, end, start);
    SendScintilla(SCI_SCROLLRANGE, end, start);
    SendScintilla(SCI_CHOOSECARETX);
    reportCaretPosition();
}

QPair<int, int> COstrakView::caretReport() const
{
    const long selStart = SendScintilla(SCI_GETSELECTIONSTART);
    const long selEnd = SendScintilla(SCI_GETSELECTIONEND);
    const long caret = SendScintilla(SCI_GETCURRENTPOS);
    const long line = SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(selStart));
    const long caretLineStart = SendScintilla(
        SCI_POSITIONFROMLINE, static_cast<unsigned long>(SendScintilla(SCI_LINEFROMPOSITION,
                                                                       static_cast<unsigned long>(caret))));
    const long column = SendScintilla(SCI_COUNTCHARACTERS, static_cast<unsigned long>(caretLineStart), selEnd);
    return {static_cast<int>(line) + 1, static_cast<int>(column) + 1};
}

void COstrakView::reportCaretPosition()
{
    if (!m_app)
        return;
    const auto [line, column] = caretReport();
    m_app->setCaretPosition(line, column);
}

QByteArray COstrakView::lineHead(long line) const
{
    const long start = SendScintilla(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const long lineEnd = SendScintilla(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
    long end = lineEnd;
    if (lineEnd - start > kLineLimit) {
        // Past the limit in characters; a multi-byte character counts once.
        const long limited = SendScintilla(SCI_POSITIONRELATIVE, static_cast<unsigned long>(start),
                                           static_cast<long>(kLineLimit));
        if (limited > start && limited < lineEnd)
            end = limited;
    }
    QByteArray text(end - start + 1, '\0');   // the range query adds a terminating NUL
    SendScintilla(SCI_GETTEXTRANGE, start, end, text.data());
    text.chop(1);
    return text;
}

void COstrakView::insertJoined(const QByteArray &bytes)
{
    if (SendScintilla(SCI_GETSELECTIONSTART) != SendScintilla(SCI_GETSELECTIONEND)) {
        replaceSelectionBytes(bytes);
        return;
    }
    if (bytes.isEmpty())
        return;
    // Inserting at the caret without an undo group lets the text join the
    // keystroke's own undo step.
    SendScintilla(SCI_ADDTEXT, static_cast<unsigned long>(bytes.size()), bytes.constData());
    SendScintilla(SCI_SCROLLCARET);
}

void COstrakView::pressTab()
{
    const bool expand = m_app && m_app->settings().tabExpand();
    insertJoined(expand ? m_strTabFiller : QByteArrayLiteral("\t"));
    // An expanded Tab ends with the Backspace that takes back the tab
    // character the key would have typed.
    m_nLastKey = expand ? Qt::Key_Backspace : Qt::Key_Tab;
}

void COstrakView::homeToFirstNonBlank()
{
    const long caret = SendScintilla(SCI_GETCURRENTPOS);
    const long line = SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(caret));
    const QByteArray head = lineHead(line);
    qsizetype blanks = 0;
    while (blanks < head.size() && isBlank(head[blanks]))
        ++blanks;
    const long target = SendScintilla(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line)) + static_cast<long>(blanks);
    SendScintilla(SCI_SETEMPTYSELECTION, static_cast<unsigned long>(target));
    SendScintilla(SCI_SCROLLCARET);
    SendScintilla(SCI_CHOOSECARETX);
}

void COstrakView::setEolModeFromDocument()
{
    const QByteArray eol = documentLineEnd();
    const unsigned long mode = eol == "\r\n" ? SC_EOL_CRLF : eol == "\r" ? SC_EOL_CR : SC_EOL_LF;
    SendScintilla(SCI_SETEOLMODE, mode);
}

void COstrakView::autoIndent()
{
    const long selStart = SendScintilla(SCI_GETSELECTIONSTART);
    const long line = SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(selStart));
    if (line == 0)
        return;
    const QByteArray previous = lineHead(line - 1);
    // A brace anywhere counts, in strings and comments too.
    const bool brace = previous.contains('{');
    qsizetype blanks = 0;
    while (blanks < previous.size() && isBlank(previous[blanks]))
        ++blanks;
    insertJoined(previous.left(blanks));
    if (brace) {
        // One more Tab press, handled like a typed one.
        reportCaretPosition();
        pressTab();
    }
}

void COstrakView::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (!isModifierKey(key))
        m_bEnterBroke = false;
    // Alt combinations belong to the menus, not to the typing aids; one that
    // no menu took types nothing.
    if (mods & Qt::AltModifier) {
        if (typesText(event) && !(mods & Qt::ControlModifier)) {
            event->ignore();
            return;
        }
        QsciScintilla::keyPressEvent(event);
        return;
    }
    reportCaretPosition();

    if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && !(mods & (Qt::ControlModifier | Qt::MetaModifier))) {
        // The edit control's Tab: the selection replaced by one tab (or the
        // filler), never the editor's block indentation.
        pressTab();
        event->accept();
        return;
    }

    if (key == Qt::Key_Home) {
        homeToFirstNonBlank();
        if (m_nLastKey != Qt::Key_Home) {
            m_nLastKey = Qt::Key_Home;
            event->accept();
            return;
        }
        // A repeated Home goes on to the line start (Ctrl: the text start);
        // Shift extends the selection from the first non-blank character.
        const bool shift = mods & Qt::ShiftModifier;
        if (mods & Qt::ControlModifier)
            SendScintilla(shift ? SCI_DOCUMENTSTARTEXTEND : SCI_DOCUMENTSTART);
        else
            SendScintilla(shift ? SCI_HOMEEXTEND : SCI_HOME);
        m_nLastKey = Qt::Key_Home;
        event->accept();
        return;
    }

    m_nLastKey = key;
    if (!isEnter(key)) {
        QsciScintilla::keyPressEvent(event);
        return;
    }
    setEolModeFromDocument();
    const long lineBefore = SendScintilla(SCI_LINEFROMPOSITION, SendScintilla(SCI_GETSELECTIONSTART));
    QsciScintilla::keyPressEvent(event);
    const long caret = SendScintilla(SCI_GETCURRENTPOS);
    const long line = SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(caret));
    m_bEnterBroke = line == lineBefore + 1 && caret == SendScintilla(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
}

void COstrakView::keyReleaseEvent(QKeyEvent *event)
{
    // An auto-repeated key is released once, when the user lets go of it.
    if (event->isAutoRepeat() || (event->modifiers() & Qt::AltModifier)) {
        QsciScintilla::keyReleaseEvent(event);
        return;
    }
    reportCaretPosition();
    // An Enter that closed a dialog or followed a link is released here too:
    // only the release of an Enter this view turned into a line break indents.
    if (isEnter(event->key()) && std::exchange(m_bEnterBroke, false) && m_app && m_app->settings().AUTO_INDENT)
        autoIndent();
    QsciScintilla::keyReleaseEvent(event);
}

void COstrakView::mousePressEvent(QMouseEvent *event)
{
    m_bEnterBroke = false;
    QsciScintilla::mousePressEvent(event);
}

void COstrakView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        reportCaretPosition();
    QsciScintilla::mouseReleaseEvent(event);
}

void COstrakView::focusOutEvent(QFocusEvent *event)
{
    m_bEnterBroke = false;
    QsciScintilla::focusOutEvent(event);
}
