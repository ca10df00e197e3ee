// The toolkit's rules, on the Qt backend with the Linux folder listing.

#include "conformance_cases.h"

#include "../qt_fixture.h"
#include "toolkit/linux/native_path.h"
#include "toolkit/qt/qt_controls.h"
#include "toolkit/qt/qt_form.h"

#include <QAccessible>
#include <QTest>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace tk::conformance {
namespace {

namespace fs = std::filesystem;

std::string Words(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::Graphic:
        return "graphic";
    case QAccessible::CheckBox:
        return "check box";
    case QAccessible::ComboBox:
        return "combo box";
    default:
        return "other";
    }
}

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
    Reading Read(Form& form, ControlId id)
    {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(Widget(form, id));
        if (!iface)
            return {};
        const QAccessible::State state = iface->state();
        QAccessibleActionInterface* actions = iface->actionInterface();
        QStringList offered = actions ? actions->actionNames() : QStringList{};
        offered.removeAll(QAccessibleActionInterface::setFocusAction());
        const QRect at = iface->rect();
        return {.offered = !state.invisible,
                .role = Words(iface->role()),
                .name = iface->text(QAccessible::Name).toStdString(),
                .description = iface->text(QAccessible::Description).toStdString(),
                .value = iface->text(QAccessible::Value).toStdString(),
                .checkable = bool(state.checkable),
                .checked = bool(state.checked),
                .action = !offered.isEmpty(),
                .left = at.x(),
                .top = at.y(),
                .width = at.width(),
                .height = at.height()};
    }
    // Qt hands announcements only to a platform that listens, which the
    // offscreen one does not; the AT-SPI run of the program hears them.
    std::optional<int> StateChanges(Form&, ControlId) { return std::nullopt; }
    std::pair<int, int> ClientOrigin(Form& form)
    {
        const QPoint origin = static_cast<qt::QtForm&>(form).Window().mapToGlobal(QPoint(0, 0));
        return {origin.x(), origin.y()};
    }

private:
    static QWidget* Widget(Form& form, ControlId id) { return static_cast<qt::QtForm&>(form).Widget(id); }

    fs::path root_;
    int made_ = 0;
};

} // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, ToolkitConformance, QtBackend);

} // namespace tk::conformance
