#include "CInsertionTable.h"

#include "CLineEnds.h"

namespace {

CInsertion fixed(int id, const char *label, const char *text)
{
    return {id, label, text, nullptr, nullptr};
}

CInsertion wrap(int id, const char *label, const char *prefix, const char *suffix)
{
    return {id, label, nullptr, prefix, suffix};
}

const std::vector<CInsertion> kScripting = {
    fixed(32780, "if", "\tif ( ) {\r\n\t}\r\n\telse {\r\n\t}\r\n"),
    fixed(32781, "while", "\twhile ( ) {\r\n\t}\r\n"),
    fixed(32782, "for", "\tfor ( ) {\r\n\t}\r\n"),
    fixed(32783, "sub", "\tsub subname ( ) {\r\n\t}\r\n"),
    fixed(32993, "foreach", "\tforeach $item (@list ) {\r\n\t}\r\n"),
    fixed(33002, "last", " last "),
    fixed(33003, "next", " next "),
    fixed(33004, "redo", " redo "),
    fixed(33005, "goto", " goto "),
    fixed(33006, "do", "\tdo {\r\n\t} while ( ) ;\r\n"),
    fixed(33007, "{}", "\t{\r\n\t}\r\n"),
};

const std::vector<CInsertion> kOperators = {
    fixed(32962, "=~", " =~ "),
    fixed(32963, "!~", " !~ "),
    fixed(32964, "==", " == "),
    fixed(32925, "!=", " != "),
    fixed(32926, "+=", " += "),
    fixed(32927, "-=", " -= "),
    fixed(32928, "*=", " *= "),
    fixed(32929, "/=", " /= "),
    fixed(32930, "/", " / "),
    fixed(32931, "*", " * "),
    fixed(32932, "+", " + "),
    fixed(32933, "-", " - "),
    fixed(32934, "%", " % "),
    fixed(32935, "=", " = "),
    wrap(32936, "( )", " (", ") "),
    wrap(32937, "[ ]", "[", "]"),
    wrap(32938, "\" \"", " \"", "\" "),
    wrap(32939, "' '", " '", "' "),
    fixed(32940, "%=", " %= "),
    fixed(32965, "x=", " x= "),
    fixed(32971, "|=", " |= "),
    fixed(32975, "&=", " &= "),
    fixed(32973, "^=", " ^= "),
    fixed(32945, ".=", " .= "),
    fixed(32946, "&&=", " &&= "),
    fixed(32947, "||=", " ||= "),
    fixed(32948, "<<=", " <<= "),
    fixed(32978, ">>=", " >>= "),
    fixed(32950, "..", ".."),
    fixed(32951, "^^", " ^^ "),
    fixed(32952, "||", " || "),
    fixed(32953, "&&", "&&"),
    fixed(32954, "!", " !"),
    fixed(32957, "?:", " (condition) ? (iftrue) : (iffalse)"),
    fixed(32958, "<=>", " <=> "),
    fixed(32959, "...", " ... "),
    fixed(32960, "=>", " => "),
    fixed(32961, "->", " -> "),
    fixed(32942, "|", " | "),
    fixed(32967, "^", " ^ "),
    fixed(32966, "&", " & "),
    fixed(32976, ".", " . "),
    fixed(32977, "x", " x "),
    fixed(32995, ",", ", "),
};

} // namespace

QByteArray CInsertion::text(const QByteArray &selected, const QByteArray &lineEnd) const
{
    if (wraps())
        return QByteArray(prefix) + selected + QByteArray(suffix);
    return CLineEnds::withLineEnd(QByteArray(fixedText), lineEnd);
}

const std::vector<CInsertion> &CInsertionTable::scripting()
{
    return kScripting;
}

const std::vector<CInsertion> &CInsertionTable::operators()
{
    return kOperators;
}

const CInsertion *CInsertionTable::find(int id)
{
    for (const auto *table : {&kScripting, &kOperators}) {
        for (const CInsertion &c : *table) {
            if (c.id == id)
                return &c;
        }
    }
    return nullptr;
}
