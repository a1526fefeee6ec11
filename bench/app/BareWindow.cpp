// The yardstick of the start-up probe: a Qt Widgets program that only maps one plain window.  Whatever Qt and
// the display cost before any window appears, this program pays too.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("bare Qt window");
    window.resize(640, 480);
    window.show();
    return QApplication::exec();
}
