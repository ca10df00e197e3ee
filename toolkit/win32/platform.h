#pragma once
// The Win32 backend: every toolkit interface on the platform's own services
// (user32, gdi32, winmm, kernel32), gathered into one tk::Platform.

#include "toolkit/twips.h"
#include "toolkit/win32/handles.h"

#include <map>
#include <string>
#include <vector>

namespace tk::win32 {

class Win32Platform final : public Process, public Screen, public Gdi, public SoundOutput, public Forms {
public:
    // instance_name names the mutex that marks a running instance.
    explicit Win32Platform(HINSTANCE module, std::string instance_name = "Tarvisk.SingleInstance");
    ~Win32Platform() override;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    Platform& Get() { return platform_; }

    // Process
    bool AnotherInstanceRunning() override;
    std::string ExecutableFolder() override;
    [[noreturn]] void EndAtOnce() override;
    void DoEvents() override;
    // Screen
    float Width() const override;
    float Height() const override;
    // Gdi
    int BitBlt(Hdc dest, int x, int y, int width, int height, Hdc src, int src_x, int src_y,
               std::uint32_t rop) override;
    // SoundOutput
    int sndPlaySoundA(const std::string& path, unsigned flags) override;
    // Forms
    std::unique_ptr<Form> Create(const FormDesign& design, FormEvents& events) override;

    // Runs the message loop until the last window is gone; the exit code.
    int Run();

    HINSTANCE Module() const { return module_; }
    // The images the program file carries, loaded once; null for None.
    PictureRef PictureOf(ImageId id);
    HICON IconOf(ImageId id, int size);

    // Top-level windows come and go; the last one leaving ends the loop.
    void Opened(HWND form);
    void Closed(HWND form);

    // Runs an event handler. An error escaping it ends the program with the
    // error's message.
    template <class Handler> void Raise(Handler&& handler) noexcept
    {
        try {
            handler();
        } catch (const std::exception& error) {
            Fail(error.what());
        } catch (...) {
            Fail("Unexpected error");
        }
    }
    [[noreturn]] void Fail(const std::string& message) noexcept;

private:
    void Dispatch(MSG& msg);

    HINSTANCE module_;
    // Screen readers reach the window's objects through COM.
    bool com_ = false;
    std::string instance_name_;
    KernelHandle instance_mutex_;
    std::map<ImageId, PictureRef> pictures_;
    std::vector<HWND> forms_;
    std::string title_;
    Platform platform_;
};

} // namespace tk::win32
