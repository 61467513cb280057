#pragma once

#include "CToolRun.h"

#include <QByteArray>
#include <QString>

// The syntax check of the editor's text (not the saved file): the Perl
// interpreter with -c, the script's folder and its lib/ on @INC, -T when the
// script's "#!" line asks for taint mode (Perl refuses it otherwise), and
// the text on standard input behind a "#line 1" directive so that messages
// name the script. A hook set before the script is compiled marks each
// warning, so warnings and errors can be told apart.
class CSyntaxCheckCommand
{
public:
    static constexpr int TimeLimitMs = 10000;
    // What Perl says before giving up fits in far less; a script printing
    // without end during the check is not kept.
    static constexpr qsizetype ErrorLimit = 512 * 1024;
    // Put before each warning by the hook.
    static constexpr char WarningMark = '\x01';

    // `perl` is the interpreter to run, `path` the script's path (empty for
    // a new script).
    static CToolRun build(const QString &perl, const QString &path, const QByteArray &text);
    // The name the messages use for the script: its path, or a plain name
    // when the path cannot stand in a "#line" directive.
    static QString messageName(const QString &path);
    // Whether the script's "#!" first line holds a -T (or -t) switch.
    static QString taintSwitch(const QByteArray &text);
};
