#include "FuzzCheck.h"
#include "run/CTerminalText.h"

#include <cstddef>
#include <cstdint>

namespace {

struct CShown
{
    QList<CTextRun> committed;
    QList<CTextRun> open;
};

CShown show(CTerminalText &terminal)
{
    return {terminal.takeCommitted(), terminal.openLine()};
}

QString joined(const QList<CTextRun> &runs)
{
    QString text;
    for (const CTextRun &run : runs)
        text += run.text;
    return text;
}

} // namespace

// Terminal text fed whole and fed in pieces (sizes and wrap column from the
// first two bytes) shows the same lines in the same styles, and no escape
// character ever reaches what a pane shows.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const qsizetype piece = data[0] % 16 + 1;
    const int wrap = data[1] % 64 + 1;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data) + 2, qsizetype(size) - 2);

    CTerminalText whole;
    whole.setWrapColumn(wrap);
    whole.feed(text);
    const CShown all = show(whole);

    CTerminalText chunked;
    chunked.setWrapColumn(wrap);
    QList<CTextRun> committed;
    for (qsizetype at = 0; at < text.size(); at += piece) {
        chunked.feed(QStringView(text).sliced(at, std::min(piece, text.size() - at)));
        committed += chunked.takeCommitted();
    }
    const CShown parts{committed, chunked.openLine()};

    FUZZ_CHECK(joined(parts.committed) == joined(all.committed));
    FUZZ_CHECK(joined(parts.open) == joined(all.open));
    FUZZ_CHECK(parts.open == all.open);
    FUZZ_CHECK(!joined(all.committed).contains(QChar(0x1b)) && !joined(all.open).contains(QChar(0x1b)));
    return 0;
}
