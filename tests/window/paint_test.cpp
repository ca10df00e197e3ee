// Copying a control's rectangle out of a canvas, pixel by pixel, on the
// in-memory platform.

#include "startup/app_modul.h"
#include "toolkit/memory/memory_platform.h"
#include "window/paint.h"
#include "window/tuner.h"
#include "window/tuner_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace tarvisk {
namespace {

using tk::memory::Image;
using tk::memory::MemoryPlatform;

class Painting : public testing::Test {
protected:
    Painting() : program_(mem_.Get()) { Main(program_); }

    Tuner& W() { return *program_.tuner; }
    const Image& Shown(tk::ControlId id) { return mem_.form->Box(id).Shown(); }
    const Image& Retained(tk::ControlId id) { return mem_.form->Box(id).Retained(); }
    std::vector<Image> Everything()
    {
        std::vector<Image> all;
        for (tk::ControlId id :
             {ctl::picAllOn, ctl::picAllOff, ctl::Picture2, ctl::Picture1(0), ctl::Picture1(1),
              ctl::Picture1(2), ctl::Picture1(3), ctl::Picture1(4), ctl::Picture1(5)}) {
            all.push_back(Retained(id));
            all.push_back(Shown(id));
        }
        return all;
    }

    MemoryPlatform mem_;
    Program program_;
};

TEST_F(Painting, EveryPixelOfTheTargetComesFromTheCanvasAtTheSameClientPoint)
{
    const Image lit = tk::memory::PatternImage(tk::ImageId::LitArtwork);
    const Image unlit = tk::memory::PatternImage(tk::ImageId::UnlitArtwork);
    for (int i = 0; i <= 5; ++i) {
        tk::PictureBox& box = W().Picture1(i);
        PaintFromCanvas(mem_, &box, &W().picAllOn());
        const Image& shown = Shown(ctl::Picture1(i));
        ASSERT_EQ(shown.width, box.Width());
        for (int y = 0; y < shown.height; ++y)
            for (int x = 0; x < shown.width; ++x)
                ASSERT_EQ(shown.At(x, y), lit.At(box.Left() + x, box.Top() + y)) << i;
        PaintFromCanvas(mem_, &box, &W().picAllOff());
        for (int y = 0; y < shown.height; ++y)
            for (int x = 0; x < shown.width; ++x)
                ASSERT_EQ(Shown(ctl::Picture1(i)).At(x, y), unlit.At(box.Left() + x, box.Top() + y)) << i;
    }
}

TEST_F(Painting, OneTargetChangesAndNothingElse)
{
    auto before = Everything();
    PaintFromCanvas(mem_, &W().Picture1(2), &W().picAllOn());
    auto after = Everything();
    for (std::size_t k = 0; k < before.size(); ++k) {
        const bool is_target = k == 10 || k == 11; // Picture1(2): retained and shown
        EXPECT_EQ(before[k] == after[k], !is_target) << k;
    }
}

TEST_F(Painting, PaintingTwiceEqualsPaintingOnce)
{
    PaintFromCanvas(mem_, &W().Picture2(), &W().picAllOff());
    const Image once = Shown(ctl::Picture2);
    PaintFromCanvas(mem_, &W().Picture2(), &W().picAllOff());
    EXPECT_EQ(Shown(ctl::Picture2), once);
}

TEST_F(Painting, EmptyReferencesPaintNothingAndDoNotFail)
{
    auto before = Everything();
    PaintFromCanvas(mem_, nullptr, &W().picAllOn());
    PaintFromCanvas(mem_, &W().Picture2(), nullptr);
    PaintFromCanvas(mem_, nullptr, nullptr);
    auto after = Everything();
    for (std::size_t k = 0; k < before.size(); ++k)
        EXPECT_TRUE(before[k] == after[k]) << k;
}

TEST_F(Painting, CanvasWithoutItsArtworkYieldsItsPlainBackground)
{
    // A fresh window whose unlit canvas has not yet received the picture.
    MemoryPlatform mem;
    mem.folders["C:\\Tools\\Tuning\\Tunes\\"] = {};
    Tuner tuner(mem.Get(), program_.g);
    tk::PictureBox& empty = tuner.picAllOff(); // loads, and Form_Load fills it...
    empty.SetPicture(nullptr);                 // ...so empty it again
    PaintFromCanvas(mem, &tuner.Picture1(0), &empty);
    const Image& shown = mem.form->Box(ctl::Picture1(0)).Shown();
    const std::uint32_t grey = 0xffc0c0c0u;
    EXPECT_TRUE(
        std::all_of(shown.pixels.begin(), shown.pixels.end(), [&](std::uint32_t p) { return p == grey; }));
}

TEST(CopyRect, RectanglesFarOutsideCopyNothingAndDoNotOverflow)
{
    Image dest(8, 8, 1), src(8, 8, 2);
    const int min = std::numeric_limits<int>::min();
    const int max = std::numeric_limits<int>::max();
    EXPECT_FALSE(tk::CopyRect(dest.View(), min, 0, 4, 4, src.View(), 0, 0));
    EXPECT_FALSE(tk::CopyRect(dest.View(), 0, 0, max, max, src.View(), min, min));
    EXPECT_FALSE(tk::CopyRect(dest.View(), 6, 6, 4, 4, src.View(), 8, 0));
    EXPECT_EQ(dest, Image(8, 8, 1));
    // Partly outside: only the overlap is copied.
    EXPECT_TRUE(tk::CopyRect(dest.View(), -2, 6, 4, 4, src.View(), 0, 0));
    EXPECT_EQ(dest.At(0, 6), 2u);
    EXPECT_EQ(dest.At(1, 7), 2u);
    EXPECT_EQ(dest.At(2, 6), 1u);
    EXPECT_EQ(dest.At(0, 5), 1u);
}

TEST(PaintRectangles, AllSevenTargetsLieInsideTheCanvasAndDoNotOverlap)
{
    const auto& controls = TunerFormDesign().controls;
    std::vector<tk::ControlDesign> targets;
    for (int i = 0; i <= 5; ++i)
        targets.push_back(controls[static_cast<std::size_t>(ctl::Picture1(i))]);
    targets.push_back(controls[static_cast<std::size_t>(ctl::Picture2)]);
    for (std::size_t a = 0; a < targets.size(); ++a) {
        const auto& r = targets[a];
        EXPECT_GE(r.left, 0);
        EXPECT_GE(r.top, 0);
        EXPECT_LE(r.left + r.width, kClientWidth);
        EXPECT_LE(r.top + r.height, kClientHeight);
        for (std::size_t b = a + 1; b < targets.size(); ++b) {
            const auto& s = targets[b];
            const bool apart = r.left + r.width <= s.left || s.left + s.width <= r.left ||
                r.top + r.height <= s.top || s.top + s.height <= r.top;
            EXPECT_TRUE(apart) << a << " and " << b;
        }
    }
}

} // namespace
} // namespace tarvisk
