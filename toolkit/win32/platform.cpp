#include "toolkit/win32/platform.h"

#include "toolkit/win32/form.h"
#include "toolkit/win32/folder_list.h"
#include "toolkit/win32/image.h"
#include "toolkit/win32/resource.h"

#include <algorithm>

namespace tk::win32 {

Win32Platform::Win32Platform(HINSTANCE module, std::string instance_name)
    : module_(module), com_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))),
      instance_name_(std::move(instance_name)), platform_{*this, *this, *this, *this, *this}
{
    RegisterWindowClasses(*this);
}

Win32Platform::~Win32Platform()
{
    if (com_)
        ::CoUninitialize();
}

bool Win32Platform::AnotherInstanceRunning()
{
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, instance_name_.c_str());
    const DWORD error = ::GetLastError();
    // Kept open for the life of the process: it is the mark of this instance.
    instance_mutex_.reset(mutex);
    if (!mutex)
        return error == ERROR_ACCESS_DENIED; // held by another user's instance
    return error == ERROR_ALREADY_EXISTS;
}

std::string Win32Platform::ExecutableFolder()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            throw tk::Error("Path not found");
        if (length < path.size()) {
            path.resize(length);
            return FolderOfModulePath(path);
        }
        if (path.size() >= 32768)
            throw tk::Error("Path not found");
        path.resize(path.size() * 2);
    }
}

void Win32Platform::EndAtOnce() { ::ExitProcess(0); }

void Win32Platform::DoEvents()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The main loop must still see it.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        Dispatch(msg);
    }
}

float Win32Platform::Width() const { return TwipsFromPixels(::GetSystemMetrics(SM_CXSCREEN)); }

float Win32Platform::Height() const { return TwipsFromPixels(::GetSystemMetrics(SM_CYSCREEN)); }

int Win32Platform::BitBlt(Hdc dest, int x, int y, int width, int height, Hdc src, int src_x, int src_y,
                          std::uint32_t rop)
{
    return ::BitBlt(reinterpret_cast<HDC>(dest), x, y, width, height, reinterpret_cast<HDC>(src), src_x,
                    src_y, rop);
}

int Win32Platform::sndPlaySoundA(const std::string& path, unsigned flags)
{
    return ::sndPlaySoundA(path.c_str(), flags);
}

std::unique_ptr<Form> Win32Platform::Create(const FormDesign& design, FormEvents& events)
{
    if (title_.empty())
        title_ = design.caption;
    return std::make_unique<Win32Form>(*this, design, events);
}

int Win32Platform::Run()
{
    if (forms_.empty())
        return 0;
    MSG msg{};
    for (;;) {
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1)
            break;
        Dispatch(msg);
    }
    return static_cast<int>(msg.wParam);
}

void Win32Platform::Dispatch(MSG& msg)
{
    // Tab, Enter and the arrow keys move among a window's controls as in a
    // dialog box.
    HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (root && std::find(forms_.begin(), forms_.end(), root) != forms_.end() &&
        ::IsDialogMessageA(root, &msg))
        return;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
}

PictureRef Win32Platform::PictureOf(ImageId id)
{
    int resource = 0;
    switch (id) {
    case ImageId::UnlitArtwork:
        resource = IDB_UNLIT_ARTWORK;
        break;
    case ImageId::LitArtwork:
        resource = IDB_LIT_ARTWORK;
        break;
    case ImageId::Icon:
    case ImageId::None:
        return nullptr;
    }
    auto& slot = pictures_[id];
    if (!slot)
        slot = std::make_shared<Win32Picture>(LoadBitmapResource(module_, resource));
    return slot;
}

HICON Win32Platform::IconOf(ImageId id, int size)
{
    if (id != ImageId::Icon)
        return nullptr;
    // Shared icons stay loaded for the life of the module.
    return static_cast<HICON>(
        ::LoadImageA(module_, MAKEINTRESOURCEA(IDI_TARVISK), IMAGE_ICON, size, size, LR_SHARED));
}

void Win32Platform::Opened(HWND form) { forms_.push_back(form); }

void Win32Platform::Closed(HWND form)
{
    forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
    if (forms_.empty())
        ::PostQuitMessage(0);
}

void Win32Platform::Fail(const std::string& message) noexcept
{
    // The box runs a message loop of its own; a second failure meanwhile
    // ends the program without a second box.
    static bool failing = false;
    if (failing)
        ::ExitProcess(1);
    failing = true;
    ::MessageBoxA(nullptr, message.c_str(), title_.c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
    ::ExitProcess(1);
}

} // namespace tk::win32
