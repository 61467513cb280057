#include "CCommandLine.h"
#include "CMainFrame.h"
#include "COstrakApp.h"

#include <QApplication>
#include <QMessageBox>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
int print(const CCommandLine &line)
{
    std::fputs(line.text().toLocal8Bit().constData(), line.action() == CCommandLine::Refuse ? stderr : stdout);
    return line.exitCode();
}
} // namespace

int main(int argc, char *argv[])
{
    // A child that closes its pipe must not take the editor down with it.
    std::signal(SIGPIPE, SIG_IGN);

    // Help and version are answered before the display is opened.
    QStringList raw;
    for (int i = 0; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    const CCommandLine early = CCommandLine::parse(raw);
    if (early.action() == CCommandLine::ShowHelp || early.action() == CCommandLine::ShowVersion)
        return print(early);

    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrak"));
    QApplication::setOrganizationName(QStringLiteral("HALDEN"));
    // Ties the windows to the installed desktop entry.
    QApplication::setDesktopFileName(QStringLiteral("org.halden.Ostrak"));

    // The display's own options are gone from the arguments now.
    const CCommandLine line = CCommandLine::parse(QApplication::arguments());
    if (line.action() == CCommandLine::Refuse)
        return print(line);

    COstrakApp app;
    app.ReadConfiguration();

    CMainFrame frame(app);
    if (!line.fileName().isEmpty()) {
        QString why;
        if (!frame.OpenDocumentFile(line.fileName(), &why)) {
            std::fprintf(stderr, "ostrak: %s\n", why.toLocal8Bit().constData());
            return 1;
        }
    } else {
        frame.OnStartWithoutFile();
    }
    frame.show();
    return qapp.exec();
}
