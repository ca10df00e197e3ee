// The anchor of the first-paint benchmark: a bare Qt tool window of the
// tuner's size showing one image, the tuner's unlit artwork, read as the
// tuner reads it: an uncompressed 8-bit bitmap stored in the resources,
// through Qt's BMP reader named, not guessed, and drawn as it was read.

#include <QApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QWidget>

#include <utility>

namespace {

class Window : public QWidget {
public:
    explicit Window(QImage image) : image_(std::move(image)) { setAttribute(Qt::WA_OpaquePaintEvent); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawImage(0, 0, image_);
    }

private:
    QImage image_;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QImageReader reader(QStringLiteral(":/art/unlit.bmp"), "bmp");
    reader.setAutoDetectImageFormat(false);
    Window window(reader.read());
    window.setWindowFlags(Qt::Tool);
    window.setWindowTitle("Bare");
    window.setFixedSize(384, 550);
    window.show();
    return QApplication::exec();
}
