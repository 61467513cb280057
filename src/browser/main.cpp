// ostrak-browser PATH: the In Browser window on the file at PATH, titled with
// PATH. Prints "loaded true" or "loaded false" when the page has loaded.
#include "CWebFrame.h"
#include "CWebPageView.h"

#include <QApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    // The browser engine refuses to start as root unless its sandbox is off.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrak"));
    const QStringList args = QApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: ostrak-browser PATH\n");
        return 2;
    }
    CWebFrame frame(args.at(1));
    frame.setAttribute(Qt::WA_DeleteOnClose, false);
    frame.setAttribute(Qt::WA_QuitOnClose, true);
    QObject::connect(frame.view(), &QWebEngineView::loadFinished, [](bool ok) {
        std::printf("loaded %s\n", ok ? "true" : "false");
        std::fflush(stdout);
    });
    frame.show();
    return app.exec();
}
