#pragma once
// What every backend of the toolkit must do alike, written once and run
// against each backend. Include this file in exactly one source file of a
// test program, then instantiate the suite with that program's backend:
//
//   INSTANTIATE_TYPED_TEST_SUITE_P(Qt, ToolkitConformance, QtBackend);
//
// A backend is a class with:
//   static constexpr bool kListsFolders;  // real folders, listed by the platform
//   std::unique_ptr<tk::Form> Create(const tk::FormDesign&, tk::FormEvents&);
//   tk::Gdi& Gdi();
//   std::uint32_t Pixel(tk::PictureBox&, int x, int y);  // retained, 0xRRGGBB
//   void Pump();  // handles what is queued, after a short wait
//   std::string Folder(names of sub-folders, names of files);  // ends in "\"
//   std::string Missing();  // a folder that does not exist
//   Reading Read(tk::Form&, tk::ControlId);  // as the platform's screen readers read it
//   std::optional<int> StateChanges(tk::Form&, tk::ControlId);  // announced, if seen
//   std::pair<int, int> ClientOrigin(tk::Form&);  // client (0, 0) on the screen

#include "recorder.h"
#include "toolkit/form.h"
#include "toolkit/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tk::conformance {

// What a screen reader reads of a control, in the platform's own terms
// brought to words: "graphic", "check box", "combo box" or another.
struct Reading {
    bool offered = false; // offered as content, not hidden
    std::string role{}, name{}, description{}, value{};
    bool checkable = false, checked = false;
    bool action = false;                          // an action of its own beyond taking the focus
    int left = 0, top = 0, width = 0, height = 0; // on the screen
};

// A small window with one control of each kind the toolkit hands out.
namespace id {
inline constexpr ControlId Dir = 0, Combo = 1, PicA = 2, PicB = 3, Tick = 4, Label = 5, PicC = 6;
}

inline const FormDesign& Design()
{
    // clang-format off
    static const ControlDesign controls[] = {
        {.name = "Dir1", .kind = ControlKind::FolderList, .width = 10, .height = 10},
        {.name = "cboPick", .kind = ControlKind::ComboBox, .left = 8, .top = 8, .width = 120,
         .height = 21, .text = "start", .back_color = {128, 0, 0}, .fore_color = {255, 255, 255}},
        // A canvas outside the client area, holding the whole artwork.
        {.name = "picA", .kind = ControlKind::PictureBox, .left = 300, .top = 0, .width = 384,
         .height = 550, .back_color = {0, 0, 255}, .picture = ImageId::UnlitArtwork},
        {.name = "picB", .kind = ControlKind::PictureBox, .left = 100, .top = 40, .width = 64,
         .height = 48, .back_color = {0, 255, 0}},
        {.name = "tmrTick", .kind = ControlKind::Timer, .enabled = false, .interval_ms = 20},
        {.name = "lblPick", .kind = ControlKind::Label, .left = 8, .top = 0, .width = 40, .height = 8,
         .tab_stop = false, .text = "Pick:", .labels = "cboPick"},
        {.name = "picC", .kind = ControlKind::PictureBox, .left = 20, .top = 60, .width = 50,
         .height = 30, .back_color = {0, 255, 0}},
    };
    // clang-format on
    static const FormDesign design{.caption = "Conformance",
                                   .client_width = 200,
                                   .client_height = 120,
                                   .back_color = {40, 40, 40},
                                   .controls = controls};
    return design;
}

template <class Backend> class ToolkitConformance : public ::testing::Test {
protected:
    ToolkitConformance() : form_(backend_.Create(Design(), events_)) {}
    ~ToolkitConformance() override { form_.reset(); }

    int Count(const std::string& entry) const
    {
        return static_cast<int>(std::count(events_.log.begin(), events_.log.end(), entry));
    }
    // Handles events until the predicate holds; false when it never did
    // within a generous bound, so only a hang fails, never a slow machine.
    bool PumpUntil(const std::function<bool()>& done)
    {
        for (int spins = 0; spins < 2000 && !done(); ++spins)
            backend_.Pump();
        return done();
    }

    Backend backend_;
    Recorder events_;
    std::unique_ptr<Form> form_;
};

TYPED_TEST_SUITE_P(ToolkitConformance);

TYPED_TEST_P(ToolkitConformance, FirstTouchLoadsOnceAndTheLoadRunsToItsEndFirst)
{
    Form& form = *this->form_;
    EXPECT_FALSE(form.Loaded());
    EXPECT_TRUE(this->events_.log.empty());
    // The load event touches a control itself and still runs to its end.
    this->events_.on_load = [&] {
        form.ComboBoxAt(id::Combo).AddItem("from load");
        this->events_.log.push_back("Load done");
    };
    Timer& timer = form.TimerAt(id::Tick);
    EXPECT_EQ(this->events_.log, (std::vector<std::string>{"Load", "Load done"}));
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(form.ComboBoxAt(id::Combo).ListCount(), 1);
    form.PictureBoxAt(id::PicA);
    form.FolderListAt(id::Dir);
    EXPECT_EQ(this->Count("Load"), 1);
    // A control asked for as another kind is an error, not a crash.
    EXPECT_THROW(form.ComboBoxAt(id::PicA), tk::Error);
    EXPECT_THROW(form.TimerAt(99), tk::Error);
}

TYPED_TEST_P(ToolkitConformance, ComboClickRunsBeforeTheSelectionReturnsAndSeesTheNewEntry)
{
    ComboBox& combo = this->form_->ComboBoxAt(id::Combo);
    for (const char* name : {"Nylon", "Electric", "acoustic"})
        combo.AddItem(name);
    // Adding neither selects nor changes the text.
    EXPECT_EQ(combo.ListIndex(), -1);
    EXPECT_EQ(combo.Text(), "start");
    ASSERT_EQ(combo.ListCount(), 3);
    EXPECT_EQ(combo.List(2), "acoustic");
    EXPECT_EQ(combo.List(3), "");

    this->events_.on_click = [&] { return combo.Text() + " " + std::to_string(combo.ListIndex()); };
    this->events_.log.clear();
    combo.SetListIndex(1);
    this->events_.log.push_back("returned");
    EXPECT_EQ(this->events_.log, (std::vector<std::string>{"Click 1 Electric 1", "returned"}))
        << "one click, before the selection returns";

    for (int bad : {3, -2}) {
        const std::size_t before = this->events_.log.size();
        EXPECT_THROW(combo.SetListIndex(bad), tk::Error) << bad;
        EXPECT_EQ(this->events_.log.size(), before) << "no click for a refused index";
    }
    EXPECT_EQ(combo.ListIndex(), 1);
}

TYPED_TEST_P(ToolkitConformance, FailedSetPathLeavesTheListPointingNowhere)
{
    FolderList& list = this->form_->FolderListAt(id::Dir);
    const std::string good = this->backend_.Folder({"One", "Two"}, {});
    list.SetPath(good.substr(0, good.size() - 1)); // without its backslash
    EXPECT_EQ(list.Path(), good);
    list.Refresh();
    ASSERT_EQ(list.ListCount(), 2);
    EXPECT_EQ(list.List(0), good + "One");
    EXPECT_THROW(list.List(2), tk::Error);
    EXPECT_THROW(list.List(-1), tk::Error);

    for (const std::string& bad : {this->backend_.Missing(), std::string()}) {
        SCOPED_TRACE(bad);
        list.SetPath(good);
        EXPECT_THROW(list.SetPath(bad), tk::Error);
        EXPECT_EQ(list.Path(), "");
        EXPECT_EQ(list.ListCount(), 0);
        list.Refresh();
        EXPECT_EQ(list.ListCount(), 0);
    }
    // An empty folder lists nothing, and that is no failure.
    list.SetPath(this->backend_.Folder({}, {}));
    list.Refresh();
    EXPECT_EQ(list.ListCount(), 0);
}

TYPED_TEST_P(ToolkitConformance, WindowPlacesInWholePixelsAndRefusesWhatNoPixelHolds)
{
    Form& form = *this->form_;
    form.SetLeft(1500);
    form.SetTop(450);
    EXPECT_EQ(form.Left(), 1500);
    EXPECT_EQ(form.Top(), 450);
    EXPECT_EQ(std::fmod(form.Width(), 15.0f), 0.0f);
    EXPECT_GE(form.Width(), 200 * 15.0f);
    EXPECT_GE(form.Height(), 120 * 15.0f);
    const float inf = std::numeric_limits<float>::infinity();
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), inf, -inf, 1e30f, -1e30f}) {
        try {
            form.SetLeft(bad);
            ADD_FAILURE() << "no error for " << bad;
        } catch (const tk::Error& error) {
            EXPECT_STREQ(error.what(), "Overflow") << bad;
        }
        EXPECT_THROW(form.SetTop(bad), tk::Error) << bad;
    }
    EXPECT_EQ(form.Left(), 1500) << "a refused move leaves the window where it was";
}

TYPED_TEST_P(ToolkitConformance, BlockTransferCopiesPixelForPixelClippedToBothImages)
{
    Form& form = *this->form_;
    PictureBox& a = form.PictureBoxAt(id::PicA);
    PictureBox& b = form.PictureBoxAt(id::PicB);
    auto& backend = this->backend_;
    // Every pixel of b before, to find what a transfer changed.
    auto snapshot = [&](PictureBox& box) {
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < box.Height(); ++y)
            for (int x = 0; x < box.Width(); ++x)
                pixels.push_back(backend.Pixel(box, x, y));
        return pixels;
    };
    const auto source = snapshot(a);
    const auto before = snapshot(b);
    ASSERT_NE(source.front(), before.front()) << "the artwork and the back colour must differ";

    struct Case {
        const char* name;
        int x, y, width, height, src_x, src_y;
    };
    for (const Case& c :
         {Case{"inside", 4, 6, 20, 10, 120, 200}, Case{"past the target's corner", 40, 30, 64, 48, 90, 150},
          Case{"past the source's corner", 0, 0, 64, 48, 384 - 20, 550 - 10}}) {
        SCOPED_TRACE(c.name);
        a.SetPicture(a.Picture());
        b.SetPicture(b.Picture());
        EXPECT_NE(backend.Gdi().BitBlt(b.hDC(), c.x, c.y, c.width, c.height, a.hDC(), c.src_x, c.src_y,
                                       kSourceCopy),
                  0);
        int wrong = 0;
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x) {
                const int sx = x - c.x + c.src_x, sy = y - c.y + c.src_y;
                const bool copied = x >= c.x && y >= c.y && x < c.x + c.width && y < c.y + c.height &&
                    sx < a.Width() && sy < a.Height();
                const auto at = static_cast<std::size_t>(y * b.Width() + x);
                const auto from = static_cast<std::size_t>(sy * a.Width() + sx);
                wrong += backend.Pixel(b, x, y) != (copied ? source[from] : before[at]);
            }
        EXPECT_EQ(wrong, 0);
    }
    EXPECT_EQ(snapshot(a), source) << "the source is left as it was";
    // Into the box that holds the artwork: the rectangle changes, the rest
    // keeps the artwork.
    b.SetPicture(b.Picture());
    EXPECT_NE(backend.Gdi().BitBlt(a.hDC(), 100, 200, 30, 20, b.hDC(), 0, 0, kSourceCopy), 0);
    int wrong = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            const bool copied = x >= 100 && y >= 200 && x < 130 && y < 220;
            wrong += backend.Pixel(a, x, y) !=
                (copied ? before.front() : source[static_cast<std::size_t>(y * a.Width() + x)]);
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(backend.Gdi().BitBlt(b.hDC(), 0, 0, 10, 10, 0, 0, 0, kSourceCopy), 0);
    EXPECT_EQ(backend.Gdi().BitBlt(0, 0, 0, 10, 10, a.hDC(), 0, 0, kSourceCopy), 0);
}

TYPED_TEST_P(ToolkitConformance, TimerFiresWhileOnAndNeverAfterwards)
{
    Timer& timer = this->form_->TimerAt(id::Tick);
    EXPECT_EQ(timer.Interval(), 20);
    EXPECT_THROW(timer.SetInterval(-1), tk::Error);
    EXPECT_THROW(timer.SetInterval(65536), tk::Error);
    EXPECT_EQ(timer.Interval(), 20);

    const std::string fired = "Timer " + std::to_string(id::Tick);
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_TRUE(this->PumpUntil([&] { return this->Count(fired) >= 2; })) << "it fires again and again";

    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Enabled());
    const int count = this->Count(fired);
    for (int i = 0; i < 20; ++i)
        this->backend_.Pump();
    EXPECT_EQ(this->Count(fired), count);

    // No interval, no firing, though the property says on.
    timer.SetInterval(0);
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    for (int i = 0; i < 20; ++i)
        this->backend_.Pump();
    EXPECT_EQ(this->Count(fired), count);
}

TYPED_TEST_P(ToolkitConformance, ListingHoldsOnlySubFoldersSortedByNameWithoutRegardToCase)
{
    if (!TypeParam::kListsFolders)
        GTEST_SKIP() << "this backend lists no real folders";
    FolderList& list = this->form_->FolderListAt(id::Dir);
    const std::string root = this->backend_.Folder(
        {"electric", "Acoustic", "b", "10 Strings", "Pure Tone", "a2"}, {"reset.wav", "aaa"});
    list.SetPath(root);
    list.Refresh();
    std::vector<std::string> listed;
    for (int i = 0; i < list.ListCount(); ++i)
        listed.push_back(list.List(i).substr(root.size()));
    EXPECT_EQ(listed,
              (std::vector<std::string>{"10 Strings", "a2", "Acoustic", "b", "electric", "Pure Tone"}));
    EXPECT_EQ(list.List(0), root + "10 Strings") << "full paths";
}

TYPED_TEST_P(ToolkitConformance, ScreenReadersReadWhatTheWindowToldAtTheControlsTruePlaces)
{
    Form& form = *this->form_;
    auto& backend = this->backend_;
    form.PictureBoxAt(id::PicB).Describe({.role = Role::Picture, .name = "Peg", .description = "Plays"});
    PictureBox& toggle = form.PictureBoxAt(id::PicC);
    toggle.Describe({.role = Role::CheckBox, .name = "Loop", .checked = true});
    form.Show();
    const auto [x, y] = backend.ClientOrigin(form);

    const Reading peg = backend.Read(form, id::PicB);
    EXPECT_TRUE(peg.offered);
    EXPECT_EQ(peg.role, "graphic");
    EXPECT_EQ(peg.name, "Peg");
    EXPECT_EQ(peg.description, "Plays");
    EXPECT_FALSE(peg.checkable);
    EXPECT_FALSE(peg.action) << "the mouse presses it";
    EXPECT_EQ(std::vector<int>({peg.left, peg.top, peg.width, peg.height}),
              std::vector<int>({x + 100, y + 40, 64, 48}));

    Reading loop = backend.Read(form, id::PicC);
    EXPECT_EQ(loop.role, "check box");
    EXPECT_EQ(loop.name, "Loop");
    EXPECT_TRUE(loop.checkable);
    EXPECT_TRUE(loop.checked);
    EXPECT_FALSE(loop.action);
    EXPECT_EQ(std::vector<int>({loop.left, loop.top}), std::vector<int>({x + 20, y + 60}));
    // Each change of state is announced once; telling the same again is none.
    const std::optional<int> told = backend.StateChanges(form, id::PicC);
    toggle.Describe({.role = Role::CheckBox, .name = "Loop", .checked = false});
    EXPECT_FALSE(backend.Read(form, id::PicC).checked);
    if (told) {
        EXPECT_EQ(backend.StateChanges(form, id::PicC), *told + 1);
        toggle.Describe({.role = Role::CheckBox, .name = "Loop", .checked = false});
        EXPECT_EQ(backend.StateChanges(form, id::PicC), *told + 1);
    }

    const Reading list = backend.Read(form, id::Combo);
    EXPECT_EQ(list.role, "combo box");
    EXPECT_EQ(list.name, "Pick") << "named by its label";
    EXPECT_EQ(list.value, "start");
    EXPECT_EQ(std::vector<int>({list.left, list.top, list.width}), std::vector<int>({x + 8, y + 8, 120}));

    EXPECT_FALSE(backend.Read(form, id::PicA).offered) << "a box never described is no content";
}

REGISTER_TYPED_TEST_SUITE_P(ToolkitConformance, FirstTouchLoadsOnceAndTheLoadRunsToItsEndFirst,
                            ComboClickRunsBeforeTheSelectionReturnsAndSeesTheNewEntry,
                            FailedSetPathLeavesTheListPointingNowhere,
                            WindowPlacesInWholePixelsAndRefusesWhatNoPixelHolds,
                            BlockTransferCopiesPixelForPixelClippedToBothImages,
                            TimerFiresWhileOnAndNeverAfterwards,
                            ListingHoldsOnlySubFoldersSortedByNameWithoutRegardToCase,
                            ScreenReadersReadWhatTheWindowToldAtTheControlsTruePlaces);

} // namespace tk::conformance
