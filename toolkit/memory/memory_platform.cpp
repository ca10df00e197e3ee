#include "toolkit/memory/memory_platform.h"

#include "toolkit/error.h"

#include <algorithm>

namespace tk::memory {

Image::Image(int w, int h, std::uint32_t fill)
    : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill)
{
}

PixelView Image::View()
{
    return {pixels.data(), width, height, width};
}

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

std::string Named(const ControlDesign& design)
{
    std::string name(design.name);
    if (design.index >= 0)
        name += "(" + std::to_string(design.index) + ")";
    return name;
}

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
    : owner_(owner), design_(design), image_(design.width, design.height, Rgb32(design.back_color)),
      shown_(image_)
{
    if (design.picture != ImageId::None)
        SetPicture(owner.PictureOf(design.picture));
    owner_.Register(image_);
}

MemoryPictureBox::~MemoryPictureBox()
{
    owner_.Unregister(image_);
}

std::string MemoryPictureBox::Name() const
{
    return Named(design_);
}

void MemoryPictureBox::SetScaleMode(int mode)
{
    if (mode < 0 || mode > 7)
        throw Error("Invalid property value");
    scale_mode_ = mode;
}

Hdc MemoryPictureBox::hDC()
{
    return reinterpret_cast<Hdc>(&image_);
}

void MemoryPictureBox::Refresh()
{
    owner_.Record("Refresh " + Name());
    shown_ = image_;
}

void MemoryPictureBox::SetPicture(const PictureRef& picture)
{
    picture_ = picture;
    std::fill(image_.pixels.begin(), image_.pixels.end(), Rgb32(design_.back_color));
    if (auto* mp = dynamic_cast<const MemoryPicture*>(picture.get())) {
        Image copy = mp->Pixels();
        CopyRect(image_.View(), 0, 0, copy.width, copy.height, copy.View(), 0, 0);
    }
    owner_.Record("SetPicture " + Name());
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

void MemoryComboBox::SetListIndex(int index)
{
    if (index < -1 || index >= ListCount())
        throw Error("Invalid property value");
    owner_.Record(std::string(design_.name) + ".ListIndex " + std::to_string(index));
    index_ = index;
    if (index >= 0)
        text_ = items_[static_cast<std::size_t>(index)];
    events_.Click(id_);
}

void MemoryFolderList::SetPath(const std::string& folder)
{
    owner_.Record(std::string(design_.name) + ".Path " + folder);
    std::string key = folder;
    if (key.empty() || key.back() != '\\')
        key += '\\';
    if (!owner_.folders.contains(key))
        throw Error("Path not found");
    path_ = key;
}

void MemoryFolderList::Refresh()
{
    owner_.Record(std::string(design_.name) + ".Refresh");
    auto found = owner_.folders.find(path_);
    entries_ = found == owner_.folders.end() ? std::vector<std::string>{} : found->second;
}

std::int16_t MemoryFolderList::ListCount() const
{
    return static_cast<std::int16_t>(std::min<std::size_t>(entries_.size(), 32767));
}

std::string MemoryFolderList::List(int index) const
{
    if (index < 0 || index >= ListCount())
        throw Error("Invalid property array index");
    return entries_[static_cast<std::size_t>(index)];
}

void MemoryTimer::SetEnabled(bool enabled)
{
    owner_.Record(std::string(design_.name) + ".Enabled " + (enabled ? "1" : "0"));
    enabled_ = enabled;
}

// The window.

MemoryForm::MemoryForm(MemoryPlatform& owner, const FormDesign& design, FormEvents& events)
    : Form(design, events), owner_(owner), picture_(owner.PictureOf(design.picture))
{
}

float MemoryForm::Width() const
{
    return static_cast<float>((Design().client_width + owner_.frame_width) * 15);
}

float MemoryForm::Height() const
{
    return static_cast<float>((Design().client_height + owner_.frame_height) * 15);
}

void MemoryForm::SetLeft(float twips)
{
    owner_.Record("Form.Left " + std::to_string(static_cast<long>(twips)));
    if (owner_.refuse_moves)
        throw Error("Can't move the window");
    left_ = twips;
}

void MemoryForm::SetTop(float twips)
{
    owner_.Record("Form.Top " + std::to_string(static_cast<long>(twips)));
    if (owner_.refuse_moves)
        throw Error("Can't move the window");
    top_ = twips;
}

void MemoryForm::Show()
{
    Load();
    if (visible_)
        return;
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
            boxes_[id] = std::make_unique<MemoryPictureBox>(owner_, c);
            break;
        case ControlKind::ComboBox:
            combos_[id] = std::make_unique<MemoryComboBox>(owner_, c, id, Events());
            break;
        case ControlKind::FolderList:
            folder_lists_[id] = std::make_unique<MemoryFolderList>(owner_, c);
            break;
        case ControlKind::Timer:
            timers_[id] = std::make_unique<MemoryTimer>(owner_, c);
            break;
        case ControlKind::Button:
        case ControlKind::Label:
            break;
        }
    }
}

PictureBox& MemoryForm::PictureBoxOf(ControlId id) { return ControlIn(boxes_, id); }
ComboBox& MemoryForm::ComboBoxOf(ControlId id) { return ControlIn(combos_, id); }
FolderList& MemoryForm::FolderListOf(ControlId id) { return ControlIn(folder_lists_, id); }
Timer& MemoryForm::TimerOf(ControlId id) { return ControlIn(timers_, id); }

MemoryPictureBox& MemoryForm::Box(ControlId id)
{
    Load();
    return ControlIn(boxes_, id);
}

void MemoryForm::Press(ControlId id, std::int16_t button, float x, float y)
{
    Load();
    const ControlDesign& c = Design().controls[static_cast<std::size_t>(id)];
    Events().MouseDown(id, static_cast<std::int16_t>(c.index), button, 0, x, y);
}

void MemoryForm::Select(ControlId combo, int index)
{
    Load();
    static_cast<MemoryComboBox&>(ControlIn(combos_, combo)).SetListIndex(index);
}

void MemoryForm::Activate(ControlId button)
{
    Load();
    Events().Click(button);
}

void MemoryForm::FireTimer(ControlId timer)
{
    Load();
    if (ControlIn(timers_, timer).Enabled())
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

MemoryPlatform::MemoryPlatform()
    : images(PatternImage), platform_{*this, *this, *this, *this, *this}
{
}

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

Hdc MemoryPlatform::Register(Image& image)
{
    Hdc hdc = reinterpret_cast<Hdc>(&image);
    live_.insert(hdc);
    return hdc;
}

void MemoryPlatform::Unregister(Image& image)
{
    live_.erase(reinterpret_cast<Hdc>(&image));
}

int MemoryPlatform::BitBlt(Hdc dest, int x, int y, int width, int height, Hdc src, int src_x,
                           int src_y, std::uint32_t rop)
{
    if (rop != SRCCOPY || !live_.contains(dest) || !live_.contains(src))
        return 0;
    auto* d = reinterpret_cast<Image*>(dest);
    auto* s = reinterpret_cast<Image*>(src);
    return CopyRect(d->View(), x, y, width, height, s->View(), src_x, src_y) ? 1 : 0;
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
