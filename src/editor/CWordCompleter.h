#pragma once

#include "CWordIndex.h"

#include <QObject>
#include <QString>
#include <QTimer>

class QsciScintillaBase;

// Word completion in the editor: a list of the script's own words and Perl's
// functions (the names of OSTRAK.FNL) that start with the word before the
// caret, shown after three characters of it, or at once on request.
//
// The whole script's words are indexed in pieces while the user pauses, so
// that a key costs no scan of a large script; the text around the caret is
// looked at on each completion, so words typed since the last pause count.
// While the list is shown, Enter and Tab take the chosen word and reach
// neither the typing aids nor the text.
class CWordCompleter : public QObject
{
    Q_OBJECT

public:
    // `functionsPath` (OSTRAK.FNL) is read at the first completion.
    CWordCompleter(QsciScintillaBase *editor, const QString &functionsPath, QObject *parent = nullptr);

    // Shows the list for the word before the caret; `forced` from its first
    // character. False when there is nothing to offer (the list is closed).
    bool complete(bool forced);
    // What the list offers for `prefix`, in byte order.
    QList<QByteArray> candidates(const QByteArray &prefix);
    bool isIndexing() const { return m_buildPos >= 0 || m_idle.isActive(); }

    // How long the user pauses before the script's words are indexed again.
    static constexpr int kIndexDelayMs = 1500;
    // The most entries the list shows.
    static constexpr int kListLimit = 200;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QByteArray wordBeforeCaret() const;
    void indexStep();
    void readFunctions();

    QsciScintillaBase *m_editor;
    QString m_functionsPath;
    bool m_functionsRead = false;
    CWordIndex m_functions;
    CWordIndex m_index;
    CWordIndex m_building;
    long m_buildPos = -1;
    QTimer m_idle;
    QTimer m_step;
    int m_swallowedRelease = 0;
    // The last prefix that found nothing, where the caret was and how long
    // the text was: a word typed on from it finds nothing either.
    QByteArray m_emptyPrefix;
    long m_emptyCaret = -1;
    long m_emptyLength = -1;
};
