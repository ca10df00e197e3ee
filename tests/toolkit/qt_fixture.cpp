#include "qt_fixture.h"

#include "toolkit/linux/native_path.h"

#include <unistd.h>

namespace tarvisk::testing_qt {

namespace fs = std::filesystem;

namespace {
tk::qt::QtPlatform* the_platform = nullptr;
}

tk::qt::QtPlatform& Qt()
{
    return *the_platform;
}

QtWindowTest::QtWindowTest()
    : platform_{process_, Qt(), Qt(), sound_, Qt()}, program_(platform_)
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

void QtWindowTest::Start()
{
    Main(program_);
}

} // namespace tarvisk::testing_qt

int main(int argc, char** argv)
{
    // A scale factor asked for by the user must not scale the artwork.
    qputenv("QT_SCALE_FACTOR", "2");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    tk::qt::PrepareEnvironment();
    tk::qt::QtPlatform platform(argc, argv);
    tarvisk::testing_qt::the_platform = &platform;
    platform.App();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
