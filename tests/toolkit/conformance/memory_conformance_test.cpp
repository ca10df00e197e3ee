// The toolkit's rules, on the in-memory backend.

#include "conformance_cases.h"

#include "toolkit/memory/memory_platform.h"

namespace tk::conformance {
namespace {

class MemoryBackend {
public:
    static constexpr bool kListsFolders = false;

    std::unique_ptr<Form> Create(const FormDesign& design, FormEvents& events)
    {
        return platform_.Create(design, events);
    }
    tk::Gdi& Gdi() { return platform_; }
    std::uint32_t Pixel(PictureBox& box, int x, int y)
    {
        return static_cast<memory::MemoryPictureBox&>(box).Retained().At(x, y) & 0xffffffu;
    }
    // Time moves on by one interval of every timer.
    void Pump()
    {
        const auto& controls = platform_.form->Design().controls;
        for (ControlId id = 0; id < static_cast<ControlId>(controls.size()); ++id)
            if (controls[static_cast<std::size_t>(id)].kind == ControlKind::Timer)
                platform_.form->FireTimer(id);
    }
    std::string Folder(const std::vector<std::string>& folders, const std::vector<std::string>&)
    {
        const std::string path = "C:\\Folder" + std::to_string(++made_) + "\\";
        auto& listed = platform_.folders[path];
        for (const std::string& name : folders)
            listed.push_back(path + name);
        return path;
    }
    std::string Missing() { return "C:\\Missing\\"; }
    // The platform holds what it was told; the window lies at its outer corner.
    Reading Read(Form& form, ControlId id)
    {
        const ControlDesign& c = form.Design().controls[static_cast<std::size_t>(id)];
        const auto [x, y] = ClientOrigin(form);
        Reading r{.left = x + c.left, .top = y + c.top, .width = c.width, .height = c.height};
        if (c.kind == ControlKind::ComboBox) {
            r = {.offered = true, .role = "combo box", .name = LabelledName(form.Design(), id),
                 .value = form.ComboBoxAt(id).Text(), .left = r.left, .top = r.top, .width = r.width,
                 .height = r.height};
            return r;
        }
        const Description& d = form.PictureBoxAt(id).Described();
        r.offered = d.role != Role::None;
        r.role = d.role == Role::Picture ? "graphic" : d.role == Role::CheckBox ? "check box" : "";
        r.name = d.name;
        r.description = d.description;
        r.checkable = d.role == Role::CheckBox;
        r.checked = d.checked;
        return r;
    }
    std::optional<int> StateChanges(Form& form, ControlId id)
    {
        return static_cast<memory::MemoryPictureBox&>(form.PictureBoxAt(id)).StateChanges();
    }
    std::pair<int, int> ClientOrigin(Form& form)
    {
        return {static_cast<int>(form.Left() / 15), static_cast<int>(form.Top() / 15)};
    }

private:
    memory::MemoryPlatform platform_;
    int made_ = 0;
};

} // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, ToolkitConformance, MemoryBackend);

} // namespace tk::conformance
