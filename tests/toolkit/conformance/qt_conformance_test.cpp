// The toolkit's rules, on the Qt backend with the Linux folder listing.

#include "conformance_cases.h"

#include "../qt_fixture.h"
#include "toolkit/linux/native_path.h"
#include "toolkit/qt/qt_controls.h"

#include <QTest>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace tk::conformance {
namespace {

namespace fs = std::filesystem;

class QtBackend {
public:
    static constexpr bool kListsFolders = true;

    QtBackend() : root_(fs::temp_directory_path() / ("tarvisk-conformance-" + std::to_string(getpid())))
    {
        fs::remove_all(root_);
    }
    ~QtBackend()
    {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    std::unique_ptr<Form> Create(const FormDesign& design, FormEvents& events)
    {
        return tarvisk::testing_qt::Qt().Create(design, events);
    }
    tk::Gdi& Gdi() { return tarvisk::testing_qt::Qt(); }
    std::uint32_t Pixel(PictureBox& box, int x, int y)
    {
        return static_cast<qt::QtPictureBox&>(box).Retained().pixel(x, y) & 0xffffffu;
    }
    void Pump() { QTest::qWait(5); }
    std::string Folder(const std::vector<std::string>& folders, const std::vector<std::string>& files)
    {
        const fs::path folder = root_ / std::to_string(++made_);
        fs::create_directories(folder);
        for (const std::string& name : folders)
            fs::create_directory(folder / name);
        for (const std::string& name : files)
            std::ofstream(folder / name) << "x";
        return *linux_paths::FromNative(folder.string()) + "\\";
    }
    std::string Missing() { return *linux_paths::FromNative((root_ / "missing").string()) + "\\"; }

private:
    fs::path root_;
    int made_ = 0;
};

} // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, ToolkitConformance, QtBackend);

} // namespace tk::conformance
