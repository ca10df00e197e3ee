// The anchor of the first-paint benchmark: a bare Qt tool window of the
// tuner's size showing one image, the tuner's unlit artwork.

#include <QApplication>
#include <QLabel>
#include <QPixmap>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel window;
    window.setWindowFlags(Qt::Tool);
    window.setWindowTitle("Bare");
    window.setFixedSize(384, 550);
    window.setPixmap(QPixmap(":/art/unlit.png"));
    window.show();
    return QApplication::exec();
}
