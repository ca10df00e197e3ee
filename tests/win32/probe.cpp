// Looks at a running tarvisk.exe, or at the program file, from outside the
// program: the end-to-end script asks it what X11 tools can't tell.
//   probe window          windows of the program, client size and origin, frame
//   probe combo           the sound-set list's text and entries
//   probe close           the close command, as from the title bar
//   probe idle            returns once the program's window has handled what
//                         came before: what a press made it do is done
//   probe acc X Y         what a screen reader finds at a screen point, through
//                         oleacc: name, role, state, place, value, action
//   probe acc             the same of every control window, one line each
//   probe focus           the kind of control with the keyboard focus, and
//                         that of its parent
//   probe version FILE    the version record
//   probe icon FILE       the program icon's images
//   probe hold SECONDS    stays for a while: keeps Wine's session up, so
//                         its helper processes don't start inside a run
//                         whose output is being collected

#include <windows.h>

#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<HWND> ProgramWindows()
{
    std::vector<HWND> found;
    HWND at = nullptr;
    while ((at = ::FindWindowExA(nullptr, at, "TarviskForm", nullptr)) != nullptr)
        found.push_back(at);
    return found;
}

int Window()
{
    const auto windows = ProgramWindows();
    std::printf("windows %zu\n", windows.size());
    if (windows.empty())
        return 1;
    HWND w = windows.front();
    char title[64] = {};
    ::GetWindowTextA(w, title, sizeof title);
    RECT client{};
    ::GetClientRect(w, &client);
    POINT origin{0, 0};
    ::ClientToScreen(w, &origin);
    const auto style = static_cast<DWORD>(::GetWindowLongPtrA(w, GWL_STYLE));
    const auto ex = static_cast<DWORD>(::GetWindowLongPtrA(w, GWL_EXSTYLE));
    std::printf("title %s\n", title);
    std::printf("client %ld %ld\n", client.right, client.bottom);
    std::printf("origin %ld %ld\n", origin.x, origin.y);
    std::printf("toolwindow %d closebox %d minbox %d maxbox %d sizable %d visible %d\n",
                (ex & WS_EX_TOOLWINDOW) != 0, (style & WS_SYSMENU) != 0, (style & WS_MINIMIZEBOX) != 0,
                (style & WS_MAXIMIZEBOX) != 0, (style & WS_THICKFRAME) != 0, ::IsWindowVisible(w) != 0);
    return 0;
}

int Combo()
{
    const auto windows = ProgramWindows();
    HWND combo = windows.empty() ? nullptr : ::FindWindowExA(windows.front(), nullptr, "ComboBox", nullptr);
    if (!combo)
        return 1;
    char text[256] = {};
    ::SendMessageA(combo, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    std::printf("text %s\n", text);
    const auto count = ::SendMessageA(combo, CB_GETCOUNT, 0, 0);
    std::printf("selected %ld\n", static_cast<long>(::SendMessageA(combo, CB_GETCURSEL, 0, 0)));
    // Read as UTF-16: across processes Wine hands the A form back unconverted.
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t wide[256] = {};
        ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
        char entry[512] = {};
        ::WideCharToMultiByte(CP_ACP, 0, wide, -1, entry, sizeof entry, nullptr, nullptr);
        std::printf("entry %s\n", entry);
    }
    return 0;
}

int Focus()
{
    const auto windows = ProgramWindows();
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (windows.empty() || !::GetGUIThreadInfo(::GetWindowThreadProcessId(windows.front(), nullptr), &info) ||
        !info.hwndFocus)
        return 1;
    char kind[64] = {};
    char parent[64] = {};
    ::GetClassNameA(info.hwndFocus, kind, sizeof kind);
    ::GetClassNameA(::GetParent(info.hwndFocus), parent, sizeof parent);
    std::printf("focus %s %s\n", kind, parent);
    return 0;
}

int Close()
{
    const auto windows = ProgramWindows();
    for (HWND w : windows)
        ::PostMessageA(w, WM_CLOSE, 0, 0);
    return windows.empty() ? 1 : 0;
}

std::string Narrow(BSTR text)
{
    char out[512] = {};
    if (text)
        ::WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, nullptr);
    ::SysFreeString(text);
    return out;
}

// One object as a screen reader reads it: name|role|state|left top width
// height|value|default action.
void PrintObject(IAccessible* object, const VARIANT& child)
{
    BSTR text = nullptr;
    const std::string name = object->get_accName(child, &text) == S_OK ? Narrow(text) : "";
    VARIANT role{};
    object->get_accRole(child, &role);
    char role_text[64] = {};
    if (role.vt == VT_I4)
        ::GetRoleTextA(static_cast<DWORD>(role.lVal), role_text, sizeof role_text);
    VARIANT state{};
    object->get_accState(child, &state);
    const LONG bits = state.vt == VT_I4 ? state.lVal : 0;
    std::string states;
    for (const auto& [bit, word] :
         {std::pair{STATE_SYSTEM_CHECKED, "checked"}, std::pair{STATE_SYSTEM_INVISIBLE, "invisible"},
          std::pair{STATE_SYSTEM_FOCUSABLE, "focusable"}})
        if (bits & bit)
            states += std::string(states.empty() ? "" : ",") + word;
    LONG left = 0, top = 0, width = 0, height = 0;
    object->accLocation(&left, &top, &width, &height, child);
    const std::string value = object->get_accValue(child, &text) == S_OK ? Narrow(text) : "";
    const std::string action = object->get_accDefaultAction(child, &text) == S_OK ? Narrow(text) : "";
    std::printf("%s|%s|%s|%ld %ld %ld %ld|%s|%s\n", name.c_str(), role_text, states.c_str(), left, top, width,
                height, value.c_str(), action.c_str());
}

int AccAt(LONG x, LONG y)
{
    IAccessible* object = nullptr;
    VARIANT child{};
    if (FAILED(::AccessibleObjectFromPoint(POINT{x, y}, &object, &child)) || !object)
        return 1;
    PrintObject(object, child);
    object->Release();
    return 0;
}

int AccAll()
{
    const auto windows = ProgramWindows();
    if (windows.empty())
        return 1;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    for (HWND at = ::GetWindow(windows.front(), GW_CHILD); at; at = ::GetWindow(at, GW_HWNDNEXT)) {
        IAccessible* object = nullptr;
        if (SUCCEEDED(::AccessibleObjectFromWindow(at, OBJID_CLIENT, __uuidof(IAccessible),
                                                   reinterpret_cast<void**>(&object))) &&
            object) {
            PrintObject(object, self);
            object->Release();
        }
    }
    return 0;
}

int Version(const char* file)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(file, &ignored);
    std::vector<char> data(size);
    if (size == 0 || !::GetFileVersionInfoA(file, 0, size, data.data()))
        return 1;
    void* value = nullptr;
    UINT length = 0;
    if (::VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &value, &length) && length >= 4) {
        const auto* words = static_cast<const WORD*>(value);
        std::printf("translation %04x %u\n", words[0], words[1]);
        char block[64];
        for (const char* name : {"FileVersion", "ProductVersion"}) {
            std::snprintf(block, sizeof block, "\\StringFileInfo\\%04x%04x\\%s", words[0], words[1], name);
            if (::VerQueryValueA(data.data(), block, &value, &length))
                std::printf("%s %s\n", name, static_cast<const char*>(value));
        }
    }
    if (::VerQueryValueA(data.data(), "\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        std::printf("fixed %lu.%lu\n", fixed->dwFileVersionMS >> 16, fixed->dwFileVersionMS & 0xffff);
    }
    return 0;
}

#pragma pack(push, 2)
struct GroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bit_count;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

int Icon(const char* file)
{
    HMODULE module = ::LoadLibraryExA(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return 1;
    HRSRC group = ::FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
    const auto* dir =
        group ? static_cast<const BYTE*>(::LockResource(::LoadResource(module, group))) : nullptr;
    if (!dir)
        return 1;
    const WORD count = *reinterpret_cast<const WORD*>(dir + 4);
    for (WORD i = 0; i < count; ++i) {
        GroupEntry entry;
        std::memcpy(&entry, dir + 6 + i * sizeof(GroupEntry), sizeof entry);
        HRSRC image = ::FindResourceA(module, MAKEINTRESOURCEA(entry.id), MAKEINTRESOURCEA(3) /* RT_ICON */);
        const auto* bits =
            image ? static_cast<const BYTE*>(::LockResource(::LoadResource(module, image))) : nullptr;
        if (!bits)
            continue;
        BITMAPINFOHEADER header;
        std::memcpy(&header, bits, sizeof header);
        const DWORD size = ::SizeofResource(module, image);
        const LONG w = header.biWidth, h = header.biHeight / 2;
        const DWORD colours = header.biBitCount <= 8 ? (1u << header.biBitCount) : 0;
        const DWORD xor_bytes = static_cast<DWORD>((w * header.biBitCount + 31) / 32 * 4 * h);
        const DWORD and_bytes = static_cast<DWORD>((w + 31) / 32 * 4 * h);
        const bool mask = size >= header.biSize + colours * 4 + xor_bytes + and_bytes;
        std::printf("icon %ldx%ld %ubpp mask %s\n", w, h, header.biBitCount, mask ? "yes" : "no");
    }
    HICON loaded = static_cast<HICON>(::LoadImageA(module, MAKEINTRESOURCEA(1), IMAGE_ICON, 32, 32, 0));
    std::printf("loads %s\n", loaded ? "yes" : "no");
    return 0;
}

// A message sent to another thread's window is handled only between two of
// its handlers, never inside one.
int Idle()
{
    const auto windows = ProgramWindows();
    DWORD_PTR result = 0;
    return !windows.empty() &&
            ::SendMessageTimeoutA(windows.front(), WM_NULL, 0, 0, SMTO_NORMAL, 600000, &result) != 0
        ? 0
        : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "window")
        return Window();
    if (command == "combo")
        return Combo();
    if (command == "close")
        return Close();
    if (command == "idle")
        return Idle();
    if (command == "acc") {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        const int result = argc > 3 ? AccAt(std::atol(argv[2]), std::atol(argv[3])) : AccAll();
        ::CoUninitialize();
        return result;
    }
    if (command == "focus")
        return Focus();
    if (command == "version" && argc > 2)
        return Version(argv[2]);
    if (command == "icon" && argc > 2)
        return Icon(argv[2]);
    if (command == "hold" && argc > 2) {
        ::Sleep(static_cast<DWORD>(std::atoi(argv[2])) * 1000);
        return 0;
    }
    std::fprintf(
        stderr, "usage: probe window|combo|close|idle|focus|acc [X Y]|version FILE|icon FILE|hold SECONDS\n");
    return 2;
}
