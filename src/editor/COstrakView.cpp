#include "COstrakView.h"

#include "CLineEnds.h"

COstrakView::COstrakView(QWidget *parent)
    : QsciScintilla(parent)
{
    setUtf8(true);
    setEolVisibility(false);
    setWrapMode(QsciScintilla::WrapNone);
    setMarginWidth(1, 0);
    // Enter inserts the document's own line end; nothing else converts them.
    SendScintilla(SCI_SETEOLMODE, SC_EOL_CRLF);
    setEolMode(QsciScintilla::EolWindows);
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
    const long length = SendScintilla(SCI_GETLENGTH);
    const char *data = reinterpret_cast<const char *>(SendScintilla(SCI_GETCHARACTERPOINTER));
    return CLineEnds::documentLineEnd(data, length);
}
