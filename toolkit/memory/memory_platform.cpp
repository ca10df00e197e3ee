#include "toolkit/memory/memory_platform.h"

#include "toolkit/error.h"

#include <algorithm>

namespace tk::memory {

Image::Image(int w, int h, std::uint32_t fill)
    : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill)
{
}

PixelView Image::View() { return {pixels.data(), width, height, width}; }

namespace {

class MemoryPicture final : public tk::Picture {
public:
    explicit MemoryPicture(Image image) : image_(std::move(image)) {}
    int Width() const override { return image_.width; }
    int Height() const override { return image_.height; }
    const Image& Pixels() const { return image_; }

private:
    Image image_;
};

std::uint32_t Rgb32(Rgb c)
{
    return 0xff000000u | (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
}

} // namespace

Image PatternImage(ImageId id)
{
    switch (id) {
    case ImageId::Icon:
        return Image(32, 32, 0xff000000u);
    case ImageId::None:
        return Image();
    default:
        break;
    }
    const std::uint32_t salt = id == ImageId::LitArtwork ? 0x00800000u : 0;
    Image image(384, 550);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            image.pixels[static_cast<std::size_t>(y * image.width + x)] =
                0xff000000u | salt | static_cast<std::uint32_t>((y << 9 | x) & 0x7fffff);
    return image;
}

// Picture boxes.

MemoryPictureBox::MemoryPictureBox(MemoryPlatform& owner, const ControlDesign& design)
    : PictureBoxBase(design), owner_(owner), image_(design.width, design.height, Rgb32(design.back_color)),
      shown_(image_)
{
    if (design.picture != ImageId::None)
        SetPicture(owner.PictureOf(design.picture));
    SetHdc(owner_.Add(&image_, [this](PixelAccess) { return image_.View(); }));
}

MemoryPictureBox::~MemoryPictureBox() { owner_.Remove(hDC()); }

void MemoryPictureBox::Refresh()
{
    owner_.Record("Refresh " + Name());
    shown_ = image_;
}

void MemoryPictureBox::DrawPicture(const tk::Picture* picture)
{
    std::fill(image_.pixels.begin(), image_.pixels.end(), Rgb32(Design().back_color));
    if (auto* mp = dynamic_cast<const MemoryPicture*>(picture)) {
        Image copy = mp->Pixels();
        CopyRect(image_.View(), 0, 0, copy.width, copy.height, copy.View(), 0, 0);
    }
    owner_.Record("SetPicture " + Name());
}

void MemoryPictureBox::Redescribed(const Description& before)
{
    if (before.checked != Described().checked)
        ++state_changes_;
}

// Combo box, folder list, timer.

void MemoryComboBox::AddItem(const std::string& text)
{
    owner_.Record(std::string(design_.name) + ".AddItem " + text);
    items_.push_back(text);
}

std::string MemoryComboBox::List(int index) const
{
    if (index < 0 || index >= ListCount())
        return {};
    return items_[static_cast<std::size_t>(index)];
}

void MemoryComboBox::Choose(int index)
{
    owner_.Record(std::string(design_.name) + ".ListIndex " + std::to_string(index));
    index_ = index;
    if (index >= 0)
        text_ = items_[static_cast<std::size_t>(index)];
}

MemoryFolderList::MemoryFolderList(MemoryPlatform& owner, const ControlDesign& design)
    : ListedFolderList([&owner](const std::string& folder) -> std::optional<std::vector<std::string>> {
          auto found = owner.folders.find(folder);
          if (found == owner.folders.end())
              return std::nullopt;
          return found->second;
      }),
      owner_(owner), design_(design)
{
}

void MemoryFolderList::SetPath(const std::string& folder)
{
    owner_.Record(std::string(design_.name) + ".Path " + folder);
    ListedFolderList::SetPath(folder);
}

void MemoryFolderList::Refresh()
{
    owner_.Record(std::string(design_.name) + ".Refresh");
    ListedFolderList::Refresh();
}

void MemoryTimer::Apply()
{
    owner_.Record(std::string(design_.name) + ".Enabled " + (Enabled() ? "1" : "0"));
}

// The window.

MemoryForm::MemoryForm(MemoryPlatform& owner, const FormDesign& design, FormEvents& events)
    : Form(design, events), owner_(owner)
{
    SetBackground(owner.PictureOf(design.picture));
}

OuterRect MemoryForm::Outer() const
{
    return {left_, top_, Design().client_width + owner_.frame_width,
            Design().client_height + owner_.frame_height};
}

void MemoryForm::Place(const char* what, float twips)
{
    owner_.Record(std::string("Form.") + what + " " + std::to_string(static_cast<long>(twips)));
    if (owner_.refuse_moves)
        throw Error("Can't move the window");
}

void MemoryForm::SetLeft(float twips)
{
    Place("Left", twips);
    Form::SetLeft(twips);
}

void MemoryForm::SetTop(float twips)
{
    Place("Top", twips);
    Form::SetTop(twips);
}

void MemoryForm::ShowWindow()
{
    owner_.Record("Form.Show");
    visible_ = true;
}

void MemoryForm::CreateControls()
{
    owner_.Record("Form.Create");
    const auto& controls = Design().controls;
    for (ControlId id = 0; id < static_cast<ControlId>(controls.size()); ++id) {
        const ControlDesign& c = controls[static_cast<std::size_t>(id)];
        switch (c.kind) {
        case ControlKind::PictureBox:
            boxes_.Add(id, std::make_unique<MemoryPictureBox>(owner_, c));
            break;
        case ControlKind::ComboBox:
            combos_.Add(id, std::make_unique<MemoryComboBox>(owner_, c, id, Events()));
            break;
        case ControlKind::FolderList:
            folder_lists_.Add(id, std::make_unique<MemoryFolderList>(owner_, c));
            break;
        case ControlKind::Timer:
            timers_.Add(id, std::make_unique<MemoryTimer>(owner_, c));
            break;
        case ControlKind::Button:
        case ControlKind::Label:
            break;
        }
    }
}

MemoryPictureBox& MemoryForm::Box(ControlId id) { return static_cast<MemoryPictureBox&>(PictureBoxAt(id)); }

void MemoryForm::Press(ControlId id, std::int16_t button, float x, float y)
{
    Load();
    const ControlDesign& c = Design().controls[static_cast<std::size_t>(id)];
    Events().MouseDown(id, static_cast<std::int16_t>(c.index), button, 0, x, y);
}

void MemoryForm::Select(ControlId combo, int index) { ComboBoxAt(combo).SetListIndex(index); }

void MemoryForm::Activate(ControlId button)
{
    Load();
    Events().Click(button);
}

void MemoryForm::FireTimer(ControlId timer)
{
    const Timer& t = TimerAt(timer);
    if (t.Enabled() && t.Interval() > 0)
        Events().TimerFired(timer);
}

bool MemoryForm::Close()
{
    std::int16_t cancel = 0;
    Events().Unload(cancel);
    closed_ = cancel == 0;
    return closed_;
}

// The platform.

MemoryPlatform::MemoryPlatform() : images(PatternImage), platform_{*this, *this, *this, *this, *this} {}

bool MemoryPlatform::AnotherInstanceRunning()
{
    Record("AnotherInstanceRunning");
    return another_instance;
}

std::string MemoryPlatform::ExecutableFolder()
{
    if (!executable_folder)
        throw Error("Path not found");
    return *executable_folder;
}

void MemoryPlatform::EndAtOnce()
{
    Record("EndAtOnce");
    throw ProcessEnded{};
}

void MemoryPlatform::DoEvents()
{
    Record("DoEvents");
    auto queue = std::move(pending);
    pending.clear();
    for (auto& event : queue)
        event();
}

int MemoryPlatform::sndPlaySoundA(const std::string& path, unsigned flags)
{
    Record("sndPlaySoundA " + path + " " + std::to_string(flags));
    sounds.push_back({path, flags});
    return 1;
}

std::unique_ptr<Form> MemoryPlatform::Create(const FormDesign& design, FormEvents& events)
{
    auto created = std::make_unique<MemoryForm>(*this, design, events);
    form = created.get();
    return created;
}

PictureRef MemoryPlatform::PictureOf(ImageId id)
{
    if (id == ImageId::None)
        return nullptr;
    auto& slot = pictures_[id];
    if (!slot)
        slot = std::make_shared<MemoryPicture>(images(id));
    return slot;
}

} // namespace tk::memory
