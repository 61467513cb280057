// The directory chooser opened on a folder of 10,000 subfolders: the time
// from construction until the dialog has painted, beside the time to list
// the folder's entries from the file system (the floor: the chooser must
// read them all) in the same run.
//
//   bench_selectdir [subfolders]
#include "options/CFolderScan.h"
#include "options/CSelectDirDlg.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>
#include <dirent.h>

namespace {

double listOnly(const QString &path)
{
    QElapsedTimer t;
    t.start();
    int n = 0;
    if (DIR *dir = ::opendir(QFile::encodeName(path).constData())) {
        while (::readdir(dir))
            ++n;
        ::closedir(dir);
    }
    return t.nsecsElapsed() / 1e6;
}

double openDialog(const QString &directory, int *items)
{
    QElapsedTimer t;
    t.start();
    CSelectDirDlg dialog;
    dialog.setDirectory(directory);
    dialog.OnInitDialog();
    dialog.show();
    dialog.repaint();
    QApplication::processEvents();
    const double ms = t.nsecsElapsed() / 1e6;
    *items = 0;
    for (QTreeWidgetItemIterator it(dialog.tree()); *it; ++it)
        ++*items;
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    QTemporaryDir tmp;
    const QString big = tmp.filePath(QStringLiteral("big"));
    QDir().mkpath(big);
    for (int i = 0; i < count; ++i)
        QDir(big).mkdir(QStringLiteral("folder%1").arg(i, 5, 10, QLatin1Char('0')));

    double list = 1e9, scan = 1e9, open = 1e9, openChild = 1e9;
    int items = 0, itemsChild = 0;
    for (int round = 0; round < 5; ++round) {
        list = std::min(list, listOnly(big));
        QElapsedTimer t;
        t.start();
        CFolderScan::subfolders(big);
        scan = std::min(scan, t.nsecsElapsed() / 1e6);
        open = std::min(open, openDialog(big, &items));
        openChild = std::min(openChild, openDialog(big + QStringLiteral("/folder05000"), &itemsChild));
    }
    std::printf("%d subfolders, best of 5\n", count);
    std::printf("  readdir of the folder (floor):        %8.2f ms\n", list);
    std::printf("  folder scan (names, folders only):    %8.2f ms\n", scan);
    std::printf("  chooser on the folder, painted:       %8.2f ms (%d items)\n", open, items);
    std::printf("  chooser on a subfolder, selected:     %8.2f ms (%d items)\n", openChild, itemsChild);
    return 0;
}
