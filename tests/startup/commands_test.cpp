#include "startup/commands.h"

#include "toolkit/error.h"
#include "toolkit/form.h"
#include "toolkit/platform.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace tarvisk {
namespace {

struct PathCase {
    const char* name;
    std::string before;
    std::string after;
};

void PrintTo(const PathCase& row, std::ostream* os) { *os << '"' << row.before << '"'; }

class AddBackslashTable : public testing::TestWithParam<PathCase> {};

TEST_P(AddBackslashTable, ChangesInPlaceAndReturnsTheResult)
{
    std::string path = GetParam().before;
    std::string result = AddBackslash(path);
    EXPECT_EQ(path, GetParam().after);
    EXPECT_EQ(result, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Rows, AddBackslashTable,
                         testing::Values(PathCase{"Empty", "", "\\"},
                                         PathCase{"Folder", "C:\\Tools", "C:\\Tools\\"},
                                         PathCase{"FolderWithBackslash", "C:\\Tools\\", "C:\\Tools\\"},
                                         PathCase{"DriveRoot", "C:\\", "C:\\"},
                                         PathCase{"ForwardSlashIsNoSeparator", "a/", "a/\\"}),
                         [](const auto& row) { return row.param.name; });

class FileNameOfTable : public testing::TestWithParam<PathCase> {};

TEST_P(FileNameOfTable, GivesTheLastComponentAndLeavesThePath)
{
    const std::string path = GetParam().before;
    std::string copy = path;
    EXPECT_EQ(FileNameOf(copy), GetParam().after);
    EXPECT_EQ(copy, path);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FileNameOfTable,
    testing::Values(PathCase{"Empty", "", ""}, PathCase{"LoneBackslash", "\\", ""},
                    PathCase{"DriveRoot", "C:\\", "C:"}, PathCase{"TrailingBackslash", "a\\b\\", "b"},
                    PathCase{"TwoTrailingBackslashes", "a\\\\", ""},
                    PathCase{"Folder", "C:\\Tools\\Tuning\\Tunes\\Acoustic", "Acoustic"},
                    PathCase{"File", "C:\\Tools\\Tuning\\Tunes\\Acoustic\\E.wav", "E.wav"},
                    PathCase{"NoBackslash", "Acoustic", "Acoustic"}, PathCase{"ForwardSlash", "a/b", "a/b"}),
    [](const auto& row) { return row.param.name; });

// A window with free floating-point geometry that records every move.
class PlacedWindow final : public tk::Form, private tk::FormEvents {
public:
    PlacedWindow(float width, float height) : tk::Form(design_, *this), width_(width), height_(height) {}

    float Left() const override { return left_; }
    float Top() const override { return top_; }
    float Width() const override { return width_; }
    float Height() const override { return height_; }
    void SetLeft(float twips) override { Move("left", left_, twips); }
    void SetTop(float twips) override { Move("top", top_, twips); }
    bool Visible() const override { return false; }

    std::vector<std::string> moves;
    int refuse_from = -1; // the move with this number and all after it fail

private:
    void Move(const char* what, float& field, float twips)
    {
        if (refuse_from >= 0 && static_cast<int>(moves.size()) >= refuse_from)
            throw tk::Error("Can't move the window");
        moves.push_back(std::string(what) + "=" + std::to_string(static_cast<long>(twips)));
        field = twips;
    }
    void CreateControls() override {}
    tk::OuterRect Outer() const override { return {}; }
    void MoveOuterTo(int, int) override {}
    void ShowWindow() override {}
    void Load() override {}
    void Unload(std::int16_t&) override {}
    void MouseDown(tk::ControlId, std::int16_t, std::int16_t, std::int16_t, float, float) override {}
    void Click(tk::ControlId) override {}
    void TimerFired(tk::ControlId) override {}

    static inline tk::FormDesign design_{};
    float width_, height_;
    float left_ = 1234, top_ = 5678; // a previous position plays no part
};

class FixedScreen final : public tk::Screen {
public:
    FixedScreen(float width, float height) : width_(width), height_(height) {}
    float Width() const override { return width_; }
    float Height() const override { return height_; }

private:
    float width_, height_;
};

TEST(CenterForm, WorkedExample)
{
    PlacedWindow window(385, 567);
    CenterForm(window, FixedScreen(960, 720));
    EXPECT_EQ(window.Top(), 23);
    EXPECT_EQ(window.Left(), 288);
    EXPECT_EQ(window.moves, (std::vector<std::string>{"top=23", "left=288"}));
}

TEST(CenterForm, ScreenProductRoundsHalfToEven)
{
    // 30 x 0.85 = 25.5 rounds to 26, halves to 13; 50 x 0.85 = 42.5 rounds to 42.
    PlacedWindow thirty(0, 0);
    CenterForm(thirty, FixedScreen(0, 30));
    EXPECT_EQ(thirty.Top(), 13);
    PlacedWindow fifty(0, 0);
    CenterForm(fifty, FixedScreen(0, 50));
    EXPECT_EQ(fifty.Top(), 21);
}

TEST(CenterForm, WindowSizesRoundHalfToEvenThenTruncate)
{
    // Height 2.5 rounds to 2 (half 1); 3.5 rounds to 4 (half 2); 567 halves to 283.
    PlacedWindow a(0, 2.5f);
    CenterForm(a, FixedScreen(0, 1000)); // 850 / 2 = 425
    EXPECT_EQ(a.Top(), 424);
    PlacedWindow b(3.5f, 3.5f);
    CenterForm(b, FixedScreen(1000, 1000));
    EXPECT_EQ(b.Top(), 423);
    EXPECT_EQ(b.Left(), 498);
}

TEST(CenterForm, TooTallOrTooWideWindowIsClampedToZeroAndKeepsItsSize)
{
    PlacedWindow window(20000, 20000);
    CenterForm(window, FixedScreen(9600, 7200));
    EXPECT_EQ(window.Top(), 0);
    EXPECT_EQ(window.Left(), 0);
    EXPECT_EQ(window.Width(), 20000);
    EXPECT_EQ(window.Height(), 20000);
    EXPECT_EQ(window.moves, (std::vector<std::string>{"top=-6940", "left=-5200", "top=0", "left=0"}));
}

TEST(CenterForm, FloatingPointFaultsAbandonTheRest)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float bad : {inf, -inf, nan}) {
        PlacedWindow window(100, 100);
        EXPECT_THROW(CenterForm(window, FixedScreen(1000, bad)), tk::Error);
        EXPECT_TRUE(window.moves.empty());
    }
    PlacedWindow wide(100, 100);
    EXPECT_THROW(CenterForm(wide, FixedScreen(nan, 1000)), tk::Error);
    EXPECT_EQ(wide.moves, (std::vector<std::string>{"top=375"}));
}

TEST(CenterForm, ValuesBeyondThirtyTwoBitsOverflow)
{
    PlacedWindow window(100, 100);
    EXPECT_THROW(CenterForm(window, FixedScreen(1000, 3e10f)), tk::Error);
    EXPECT_TRUE(window.moves.empty());
    PlacedWindow huge(100, 5e9f);
    EXPECT_THROW(CenterForm(huge, FixedScreen(1000, 1000)), tk::Error);
}

TEST(CenterForm, RefusedMoveAbandonsTheRest)
{
    PlacedWindow first(100, 100);
    first.refuse_from = 0;
    EXPECT_THROW(CenterForm(first, FixedScreen(1000, 1000)), tk::Error);
    EXPECT_TRUE(first.moves.empty()); // the left was not set either
    PlacedWindow clamp(20000, 20000);
    clamp.refuse_from = 2;
    EXPECT_THROW(CenterForm(clamp, FixedScreen(1000, 1000)), tk::Error);
    EXPECT_EQ(clamp.Left(), -9500);
}

} // namespace
} // namespace tarvisk
