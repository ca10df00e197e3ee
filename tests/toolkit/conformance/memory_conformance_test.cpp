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

private:
    memory::MemoryPlatform platform_;
    int made_ = 0;
};

} // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, ToolkitConformance, MemoryBackend);

} // namespace tk::conformance
