#include "CMainFrame.h"
#include "COstrakApp.h"

#include <QApplication>
#include <QMessageBox>

#include <csignal>
#include <unistd.h>

int main(int argc, char *argv[])
{
    // A child that closes its pipe must not take the editor down with it.
    std::signal(SIGPIPE, SIG_IGN);

    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrak"));
    QApplication::setOrganizationName(QStringLiteral("HALDEN"));

    COstrakApp app;
    app.ReadConfiguration();

    const QStringList args = QApplication::arguments();
    CMainFrame frame(app);
    if (args.size() > 1) {
        if (!frame.OpenDocumentFile(args.at(1)))
            return 1;
    } else {
        frame.OnStartWithoutFile();
    }
    frame.show();
    return qapp.exec();
}
