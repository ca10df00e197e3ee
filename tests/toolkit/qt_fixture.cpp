#include "qt_fixture.h"

#include "toolkit/linux/native_path.h"
#include "window/tuner_form.h"

#include <QTest>

#include <unistd.h>

namespace tarvisk::testing_qt {

namespace fs = std::filesystem;

namespace {
tk::qt::QtPlatform* the_platform = nullptr;
}

tk::qt::QtPlatform& Qt() { return *the_platform; }

QtWindowTest::QtWindowTest() : platform_{process_, Qt().screen, Qt(), sound_, Qt()}, program_(platform_)
{
    folder_ = fs::temp_directory_path() /
        ("tarvisk-qt-" + std::to_string(getpid()) + "-" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    process_.folder = *tk::linux_paths::FromNative(folder_.string());
}

QtWindowTest::~QtWindowTest()
{
    program_.tuner.reset();
    std::error_code ec;
    fs::remove_all(folder_, ec);
}

void QtWindowTest::MakeLibrary(const std::vector<std::string>& sets)
{
    fs::create_directories(folder_ / "Tunes");
    for (const std::string& set : sets)
        fs::create_directories(folder_ / "Tunes" / set);
}

void QtWindowTest::Start() { Main(program_); }

QImage QtWindowTest::Grab() { return Form().Window().grab().toImage().convertToFormat(QImage::Format_RGB32); }

QRect QtWindowTest::Rect(tk::ControlId id)
{
    const auto& c = TunerFormDesign().controls[static_cast<std::size_t>(id)];
    return {c.left, c.top, c.width, c.height};
}

void QtWindowTest::Press(QPoint at, Qt::MouseButton button)
{
    QTest::mousePress(Form().Window().windowHandle(), button, {}, at);
    QTest::mouseRelease(Form().Window().windowHandle(), button, {}, at);
    QCoreApplication::processEvents();
}

int QtWindowTest::Differences(const QImage& shot, const QImage& art, const QRect& rect)
{
    int differ = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            differ += shot.pixel(x, y) != art.pixel(x, y);
    return differ;
}

QImage QtWindowTest::Art(tk::ImageId id)
{
    auto picture = std::dynamic_pointer_cast<const tk::qt::QtPicture>(tk::qt::LoadPicture(id));
    return picture ? picture->Image().convertToFormat(QImage::Format_RGB32) : QImage();
}

} // namespace tarvisk::testing_qt

int main(int argc, char** argv)
{
    // A scale factor asked for by the user must not scale the artwork.
    qputenv("QT_SCALE_FACTOR", "2");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    tk::qt::PrepareEnvironment();
    tk::qt::QtPlatform platform(argv[0]);
    tarvisk::testing_qt::the_platform = &platform;
    platform.App();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
