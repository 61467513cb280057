// The peer of the start-up benchmark: a bare Qt main window holding a
// QScintilla editor, titled "Untitled - Ostrak" like the real program.
#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QsciScintilla(&window));
    window.setWindowTitle(QStringLiteral("Untitled - Ostrak"));
    window.resize(852, 682);
    window.show();
    return app.exec();
}
