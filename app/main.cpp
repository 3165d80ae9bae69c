#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vorn"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("ВОРН-1.0"));
    window.resize(720, 572);
    window.show();
    return app.exec();
}
