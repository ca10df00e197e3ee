// The toolkit's rules, on the Win32 backend (under Wine or Windows).

#include "conformance_cases.h"

#include "toolkit/win32/form.h"
#include "toolkit/win32/platform.h"

namespace tk::conformance {
namespace {

class Win32Backend {
public:
    static constexpr bool kListsFolders = true;

    Win32Backend() : platform_(::GetModuleHandleA(nullptr), "Tarvisk.ConformanceTest")
    {
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        root_ = std::string(temp) + "tarvisk-conformance-" + std::to_string(::GetCurrentProcessId()) + "\\";
        ::CreateDirectoryA(root_.c_str(), nullptr);
    }
    ~Win32Backend()
    {
        // Files first, then folders, deepest first.
        for (auto it = made_.rbegin(); it != made_.rend(); ++it)
            if (!::DeleteFileA(it->c_str()))
                ::RemoveDirectoryA(it->c_str());
        ::RemoveDirectoryA(root_.c_str());
        // The last window leaving asks the thread's loop to end; the next
        // test starts with a fresh loop.
        MSG quit;
        while (::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
    }

    std::unique_ptr<Form> Create(const FormDesign& design, FormEvents& events)
    {
        return platform_.Create(design, events);
    }
    tk::Gdi& Gdi() { return platform_; }
    std::uint32_t Pixel(PictureBox& box, int x, int y)
    {
        return static_cast<win32::Win32PictureBox&>(box).Retained().At(x, y) & 0xffffffu;
    }
    void Pump()
    {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        platform_.DoEvents();
    }
    std::string Folder(const std::vector<std::string>& folders, const std::vector<std::string>& files)
    {
        const std::string folder = root_ + std::to_string(made_.size()) + "\\";
        ::CreateDirectoryA(folder.c_str(), nullptr);
        made_.push_back(folder);
        for (const std::string& name : folders) {
            ::CreateDirectoryA((folder + name).c_str(), nullptr);
            made_.push_back(folder + name);
        }
        for (const std::string& name : files) {
            ::CloseHandle(::CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
            made_.push_back(folder + name);
        }
        return folder;
    }
    std::string Missing() { return root_ + "missing\\"; }

private:
    win32::Win32Platform platform_;
    std::string root_;
    std::vector<std::string> made_;
};

} // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ToolkitConformance, Win32Backend);

} // namespace tk::conformance
