// The variable lists on a 10 MB script: the scan, the list model and the
// opened list window, beside a plain pass over the same bytes (counting line
// feeds, the least any line-numbering scan must do) and a copy of them.
#include "MedianTime.h"
#include "editor/CVariableListModel.h"
#include "editor/CVariableScanner.h"
#include "editor/CVariablesDlg.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// A script of ordinary Perl lines, about `size` bytes.
QByteArray ordinaryScript(qsizetype size)
{
    static const char *const lines[] = {
        "my $count_%d = scalar(@items) + $offset;\r\n",
        "    foreach my $item (@list_%d) { $total += $item; }\r\n",
        "# a comment with 50%% of the text and an address like user@example.org\r\n",
        "    $hash_%d{$key} = \"value $count\";\r\n",
        "print \"Result: $result\\n\" if %%options && $verbose;\r\n",
        "sub handler_%d { my ($self, %%args) = @_; return $self->{name}; }\r\n",
    };
    QByteArray text;
    text.reserve(size + 256);
    for (int i = 0; text.size() < size; ++i)
        text += QString::asprintf(lines[i % 6], i).toLatin1();
    return text;
}

// The densest case: a name on every four bytes.
QByteArray denseScript(qsizetype size)
{
    QByteArray text;
    text.reserve(size + 8);
    while (text.size() < size)
        text += "$a;\n";
    return text;
}

volatile qint64 g_sink;

void measure(const char *label, const QByteArray &text)
{
    const double mb = text.size() / 1e6;
    std::printf("\n%s: %.1f MB\n", label, mb);

    const double plain = medianMs(7, [&] {
        qint64 lines = 0;
        const char *p = text.constData();
        for (qsizetype i = 0, n = text.size(); i < n; ++i)
            lines += p[i] == '\n';
        g_sink = lines;
    });
    const double copy = medianMs(7, [&] {
        QByteArray c(text.constData(), text.size());
        g_sink = c.size();
    });
    std::printf("  plain pass (count LF)          %8.1f ms  %7.0f MB/s\n", plain, mb / plain * 1e3);
    std::printf("  copy of the bytes              %8.1f ms  %7.0f MB/s\n", copy, mb / copy * 1e3);

    for (int kind = 0; kind < 3; ++kind) {
        size_t rows = 0;
        const double scan = medianMs(7, [&] {
            rows = CVariableScanner::scan(text, CVariableScanner::sigilOfKind(kind)).size();
        });
        std::printf("  scan \"%c\"                       %8.1f ms  %7.0f MB/s  %zu rows  (%.2fx plain)\n",
                    CVariableScanner::sigilOfKind(kind), scan, mb / scan * 1e3, rows, scan / plain);
    }

    const double model = medianMs(5, [&] {
        CVariableListModel m(0, text);
        g_sink = m.rowCount();
    });
    std::printf("  list model, scalars            %8.1f ms\n", model);

    int rows = 0;
    const double window = medianMs(5, [&] {
        CVariablesDlg dialog(0, text);
        dialog.show();
        QApplication::processEvents();
        dialog.list()->scrollToBottom();
        QApplication::processEvents();
        rows = dialog.model()->rowCount();
    });
    std::printf("  list window opened, scrolled   %8.1f ms  (%d rows)\n", window, rows);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qsizetype size = 10 * 1000 * 1000;
    measure("ordinary script", ordinaryScript(size));
    measure("dense script ($a; per line)", denseScript(size));
    return 0;
}
