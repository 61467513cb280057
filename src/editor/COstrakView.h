#pragma once

#include <Qsci/qsciscintilla.h>

#include <QByteArray>

// The editor view: the one script's text, kept as raw bytes (any line ends,
// invalid UTF-8 and NUL bytes survive a load and a save unchanged).
class COstrakView : public QsciScintilla
{
    Q_OBJECT

public:
    explicit COstrakView(QWidget *parent = nullptr);

    QByteArray bytes() const;
    // Replaces the whole text; clears the undo history when `resetUndo`.
    void setBytes(const QByteArray &bytes, bool resetUndo = true);
    qsizetype byteLength() const;

    // Replaces the selection by `bytes` as one undoable step.
    void replaceSelectionBytes(const QByteArray &bytes);
    QByteArray selectedBytes() const;
    // The line end of inserted text: that of the first line end, else CR LF.
    QByteArray documentLineEnd() const;
};
