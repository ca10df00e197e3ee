// The toolkit's rules, on the Win32 backend (under Wine or Windows).

#include "conformance_cases.h"

#include "toolkit/win32/form.h"
#include "toolkit/win32/platform.h"
#include "../../win32/bstr.h"

#include <map>

namespace tk::conformance {
namespace {

using win32::testing::Narrow;

// State changes announced, by window: the system calls here from the loop.
std::map<HWND, int>& Announced()
{
    static std::map<HWND, int> announced;
    return announced;
}

void CALLBACK CountAnnouncement(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD, DWORD)
{
    if (object == OBJID_CLIENT && child == CHILDID_SELF)
        ++Announced()[hwnd];
}

std::string Words(const VARIANT& role)
{
    if (role.vt != VT_I4)
        return "none";
    switch (role.lVal) {
    case ROLE_SYSTEM_GRAPHIC:
        return "graphic";
    case ROLE_SYSTEM_CHECKBUTTON:
        return "check box";
    case ROLE_SYSTEM_COMBOBOX:
        return "combo box";
    default:
        return "other";
    }
}

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
        if (hook_)
            ::UnhookWinEvent(hook_);
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
    // Through oleacc, as a screen reader asks.
    Reading Read(Form& form, ControlId id)
    {
        IAccessible* object = nullptr;
        if (FAILED(::AccessibleObjectFromWindow(Child(form, id), OBJID_CLIENT, __uuidof(IAccessible),
                                                reinterpret_cast<void**>(&object))) ||
            !object)
            return {};
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        Reading r;
        BSTR text = nullptr;
        if (object->get_accName(self, &text) == S_OK)
            r.name = Narrow(text);
        if (object->get_accDescription(self, &text) == S_OK)
            r.description = Narrow(text);
        if (object->get_accValue(self, &text) == S_OK)
            r.value = Narrow(text);
        BSTR action = nullptr;
        r.action = object->get_accDefaultAction(self, &action) == S_OK && ::SysStringLen(action) > 0;
        ::SysFreeString(action);
        VARIANT role{};
        object->get_accRole(self, &role);
        r.role = Words(role);
        VARIANT state{};
        if (SUCCEEDED(object->get_accState(self, &state)) && state.vt == VT_I4) {
            r.offered = (state.lVal & STATE_SYSTEM_INVISIBLE) == 0;
            r.checked = (state.lVal & STATE_SYSTEM_CHECKED) != 0;
        }
        r.checkable = role.vt == VT_I4 && role.lVal == ROLE_SYSTEM_CHECKBUTTON;
        LONG left = 0, top = 0, width = 0, height = 0;
        if (SUCCEEDED(object->accLocation(&left, &top, &width, &height, self)))
            r.left = left, r.top = top, r.width = width, r.height = height;
        object->Release();
        return r;
    }
    std::optional<int> StateChanges(Form& form, ControlId id)
    {
        if (!hook_)
            hook_ = ::SetWinEventHook(EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_STATECHANGE, nullptr,
                                      CountAnnouncement, ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
        for (int i = 0; i < 10; ++i)
            Pump();
        return Announced()[Child(form, id)];
    }
    std::pair<int, int> ClientOrigin(Form& form)
    {
        POINT origin{0, 0};
        ::ClientToScreen(static_cast<win32::Win32Form&>(form).Handle(), &origin);
        return {origin.x, origin.y};
    }

private:
    static HWND Child(Form& form, ControlId id)
    {
        return ::GetDlgItem(static_cast<win32::Win32Form&>(form).Handle(), win32::kFirstChildId + id);
    }

    win32::Win32Platform platform_;
    HWINEVENTHOOK hook_ = nullptr;
    std::string root_;
    std::vector<std::string> made_;
};

} // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ToolkitConformance, Win32Backend);

} // namespace tk::conformance
