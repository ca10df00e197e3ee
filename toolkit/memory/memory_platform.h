#pragma once
// A headless platform that keeps everything in memory and records every call
// in order. Tests and benchmarks drive the program through it; nothing here
// needs a window system, an audio device or a disk.

#include "toolkit/blit.h"
#include "toolkit/combo_box.h"
#include "toolkit/folder_list.h"
#include "toolkit/picture_box.h"
#include "toolkit/platform.h"
#include "toolkit/retained_images.h"
#include "toolkit/timer_base.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tk::memory {

struct Image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;

    Image() = default;
    Image(int w, int h, std::uint32_t fill = 0);
    std::uint32_t At(int x, int y) const
    {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
    PixelView View();
    friend bool operator==(const Image&, const Image&) = default;
};

// Thrown by EndAtOnce, so a test sees where the process would have ended.
// Not a std::exception: error-tolerant code must not swallow it.
struct ProcessEnded {};

class MemoryPlatform;

class MemoryPictureBox final : public PictureBoxBase {
public:
    MemoryPictureBox(MemoryPlatform& owner, const ControlDesign& design);
    ~MemoryPictureBox() override;
    void Refresh() override;

    const Image& Retained() const { return image_; }
    // What the screen shows of the box: its image as of the last redraw.
    const Image& Shown() const { return shown_; }
    // Changes of state announced to screen readers.
    int StateChanges() const { return state_changes_; }

private:
    void DrawPicture(const tk::Picture* picture) override;
    void Redescribed(const Description& before) override;

    MemoryPlatform& owner_;
    Image image_;
    Image shown_;
    int state_changes_ = 0;
};

class MemoryComboBox final : public ComboBoxBase {
public:
    MemoryComboBox(MemoryPlatform& owner, const ControlDesign& design, ControlId id, FormEvents& events)
        : ComboBoxBase(events, id), owner_(owner), design_(design), text_(design.text)
    {
    }
    void AddItem(const std::string& text) override;
    int ListCount() const override { return static_cast<int>(items_.size()); }
    std::string List(int index) const override;
    int ListIndex() const override { return index_; }
    std::string Text() const override { return text_; }
    void Type(std::string text) { text_ = std::move(text); }

private:
    void Choose(int index) override;

    MemoryPlatform& owner_;
    const ControlDesign& design_;
    std::vector<std::string> items_;
    int index_ = -1;
    std::string text_;
};

// The listing comes from MemoryPlatform::folders; each step is recorded.
class MemoryFolderList final : public ListedFolderList {
public:
    MemoryFolderList(MemoryPlatform& owner, const ControlDesign& design);
    void SetPath(const std::string& folder) override;
    void Refresh() override;

private:
    MemoryPlatform& owner_;
    const ControlDesign& design_;
};

class MemoryTimer final : public TimerBase {
public:
    MemoryTimer(MemoryPlatform& owner, const ControlDesign& design)
        : TimerBase(design), owner_(owner), design_(design)
    {
    }

private:
    void Apply() override;

    MemoryPlatform& owner_;
    const ControlDesign& design_;
};

class MemoryForm final : public Form {
public:
    MemoryForm(MemoryPlatform& owner, const FormDesign& design, FormEvents& events);

    void SetLeft(float twips) override;
    void SetTop(float twips) override;
    bool Visible() const override { return visible_; }

    // What a user does.
    void Press(ControlId id, std::int16_t button = 1, float x = 1, float y = 1);
    void Select(ControlId combo, int index); // a choice in the drop-down list
    void Activate(ControlId button);
    void FireTimer(ControlId timer);
    // The close command: false when the unload was cancelled.
    bool Close();
    bool Closed() const { return closed_; }

    MemoryPictureBox& Box(ControlId id);

private:
    void CreateControls() override;
    // A window that goes wherever it is put; the frame's size is the
    // platform's setting.
    OuterRect Outer() const override;
    void MoveOuterTo(int left, int top) override { left_ = left, top_ = top; }
    void ShowWindow() override;
    void Place(const char* what, float twips);

    MemoryPlatform& owner_;
    int left_ = 0, top_ = 0; // pixels
    bool visible_ = false;
    bool closed_ = false;
};

class MemoryPlatform final : public Process,
                             public Screen,
                             public RetainedImages,
                             public SoundOutput,
                             public Forms {
public:
    MemoryPlatform();
    Platform& Get() { return platform_; }

    // Process
    bool AnotherInstanceRunning() override;
    std::string ExecutableFolder() override;
    [[noreturn]] void EndAtOnce() override;
    void DoEvents() override;
    // Screen
    float Width() const override { return screen_width; }
    float Height() const override { return screen_height; }
    // SoundOutput
    int sndPlaySoundA(const std::string& path, unsigned flags) override;
    // Forms
    std::unique_ptr<Form> Create(const FormDesign& design, FormEvents& events) override;

    PictureRef PictureOf(ImageId id);
    void Record(std::string entry) { log.push_back(std::move(entry)); }

    // What the machine is like; tests set these before starting.
    bool another_instance = false;
    std::optional<std::string> executable_folder = std::string("C:\\Tools\\Tuning");
    float screen_width = 1920 * 15.0f;
    float screen_height = 1080 * 15.0f;
    int frame_width = 6, frame_height = 24; // pixels the frame adds
    bool refuse_moves = false;
    // Sub-folders by folder (a path ending in "\"); a folder not listed
    // here cannot be opened.
    std::map<std::string, std::vector<std::string>> folders;
    // The images the program file carries.
    std::function<Image(ImageId)> images;
    // Events waiting in the queue, handled by DoEvents.
    std::vector<std::function<void()>> pending;

    // What happened, in order.
    std::vector<std::string> log;
    struct Played {
        std::string path;
        unsigned flags;
    };
    std::vector<Played> sounds;
    MemoryForm* form = nullptr; // the last window created

private:
    Platform platform_;
    std::map<ImageId, PictureRef> pictures_;
};

// The default images: distinct, position-dependent patterns, so a wrong
// offset or a wrong canvas shows in any pixel comparison.
Image PatternImage(ImageId id);

} // namespace tk::memory
