// What the pictures show: the lit picture changes only where the window can
// show it, every indicator lights up visibly, and everything a user can press
// lies inside its control.

#include "tests/window/art/art_test_support.h"
#include "window/tuner_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace tarvisk::art::test {
namespace {

class ArtRules : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        unlit_ = new QImage(LoadArt(QStringLiteral("unlit.png")).convertToFormat(QImage::Format_RGB32));
        lit_ = new QImage(LoadArt(QStringLiteral("lit.png")).convertToFormat(QImage::Format_RGB32));
    }
    static void TearDownTestSuite()
    {
        delete unlit_;
        delete lit_;
    }
    void SetUp() override
    {
        ASSERT_EQ(unlit_->size(), QSize(kWidth, kHeight));
        ASSERT_EQ(lit_->size(), QSize(kWidth, kHeight));
    }
    static const QImage& Unlit() { return *unlit_; }
    static const QImage& Lit() { return *lit_; }

private:
    static inline QImage* unlit_ = nullptr;
    static inline QImage* lit_ = nullptr;
};

int ChannelDistance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

TEST_F(ArtRules, LitDiffersFromUnlitOnlyWithinFourPixelsOfTheSevenRectangles)
{
    const auto boxes = LitBoxes();
    int stray = 0;
    std::string first;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (Lit().pixel(x, y) == Unlit().pixel(x, y))
                continue;
            const bool near = std::any_of(boxes.begin(), boxes.end(),
                                          [&](const Box& b) { return b.Grown(4).Contains(x, y); });
            if (!near && stray++ == 0)
                first = std::to_string(x) + "," + std::to_string(y);
        }
    }
    EXPECT_EQ(stray, 0) << "first at " << first;
}

TEST_F(ArtRules, EveryStringIndicatorGlowsRed)
{
    for (int i = 0; i < 6; ++i) {
        const Box& b = kIndicators[static_cast<std::size_t>(i)];
        int redder = 0;
        for (int y = b.top; y <= b.Bottom(); ++y) {
            for (int x = b.left; x <= b.Right(); ++x) {
                const QRgb on = Lit().pixel(x, y);
                const QRgb off = Unlit().pixel(x, y);
                redder += qRed(on) - qRed(off) >= 40 && qRed(on) - std::max(qGreen(on), qBlue(on)) >= 80;
            }
        }
        EXPECT_GE(redder, 400) << "Picture1(" << i << ")";
    }
}

TEST_F(ArtRules, ToggleLightsItsLampAndThrowsItsLever)
{
    int changed = 0;
    for (int y = kToggle.top; y <= kToggle.Bottom(); ++y) {
        for (int x = kToggle.left; x <= kToggle.Right(); ++x)
            changed += ChannelDistance(Lit().pixel(x, y), Unlit().pixel(x, y)) >= 60;
    }
    EXPECT_GE(changed, 300);

    const int lx = static_cast<int>(kLampX), ly = static_cast<int>(kLampY);
    const QRgb lamp_off = Unlit().pixel(lx + 2, ly + 2);
    const QRgb lamp_on = Lit().pixel(lx + 2, ly + 2);
    EXPECT_LT(qRed(lamp_off), 150) << "unlit lamp is dark";
    EXPECT_GT(qRed(lamp_on), 200) << "lit lamp is bright";
    EXPECT_GT(qRed(lamp_on) - qGreen(lamp_on), 120) << "and red";

    // The lever's ball: chrome above the pivot when unlit, below it when lit.
    auto chrome_in = [](const QImage& image, const Box& b) {
        int n = 0;
        for (int y = b.top; y <= b.Bottom(); ++y) {
            for (int x = b.left; x <= b.Right(); ++x)
                n += BrightNeutral(image.pixel(x, y));
        }
        return n;
    };
    const Box above{kLeverUp.left, kLeverUp.top, kLeverUp.width, 10};
    const Box below{kLeverDown.left, kLeverDown.Bottom() - 9, kLeverDown.width, 10};
    EXPECT_GT(chrome_in(Unlit(), above), 20);
    EXPECT_GT(chrome_in(Lit(), below), 20);
    EXPECT_LT(chrome_in(Unlit(), below), chrome_in(Lit(), below));
}

TEST_F(ArtRules, UnderTheLabelAndComboBoxLiesPlainBackground)
{
    for (const QImage* image : {&Unlit(), &Lit()}) {
        for (int y = kPlainArea.top; y <= kPlainArea.Bottom(); ++y) {
            for (int x = kPlainArea.left; x <= kPlainArea.Right(); ++x)
                ASSERT_EQ(image->pixel(x, y), qRgb(kBackground.r, kBackground.g, kBackground.b))
                    << x << "," << y;
        }
    }
}

// Beside the headstock only the pegs and letters are light and grey: a
// chrome or white pixel there outside every indicator would be a peg or a
// letter a user could press without hitting its control.
TEST_F(ArtRules, ChromeAndWhiteBesideTheHeadstockLieInsideTheIndicators)
{
    int outside = 0;
    std::string first;
    std::array<int, 6> inside{};
    for (int y = 0; y < 370; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if ((x >= 86 && x < 294) || !BrightNeutral(Unlit().pixel(x, y)))
                continue;
            bool hit = false;
            for (std::size_t i = 0; i < kIndicators.size(); ++i) {
                if (kIndicators[i].Contains(x, y)) {
                    ++inside[i];
                    hit = true;
                }
            }
            if (!hit && outside++ == 0)
                first = std::to_string(x) + "," + std::to_string(y);
        }
    }
    EXPECT_EQ(outside, 0) << "first at " << first;
    for (std::size_t i = 0; i < inside.size(); ++i)
        EXPECT_GE(inside[i], 150) << "Picture1(" << i << ") shows its peg";
}

TEST_F(ArtRules, EachLetterIsDrawnWhiteInItsBox)
{
    for (const Peg& peg : kPegs) {
        int white = 0, white_near = 0;
        const Box near = peg.letter.Grown(3);
        for (int y = near.top; y <= near.Bottom(); ++y) {
            for (int x = near.left; x <= near.Right(); ++x) {
                if (!White(Unlit().pixel(x, y)))
                    continue;
                ++white_near;
                white += peg.letter.Contains(x, y);
            }
        }
        EXPECT_GE(white, 25) << peg.name << " of string " << peg.string;
        EXPECT_EQ(white, white_near) << "white spills out of the letter box of string " << peg.string;
    }
}

TEST(ArtLayout, PegsAndLettersSitInTheirIndicatorsWithRoomForTheGlow)
{
    // Left from the top D, A, E; right from the top G, H, E.
    constexpr std::array<char, 6> kNames = {'E', 'H', 'G', 'D', 'A', 'E'};
    for (const Peg& peg : kPegs) {
        const Box& ind = kIndicators[static_cast<std::size_t>(peg.string)];
        EXPECT_EQ(peg.name, kNames[static_cast<std::size_t>(peg.string)]);
        EXPECT_EQ(peg.left_side, peg.string >= 3);
        EXPECT_TRUE(ind.Contains(peg.button.Grown(4))) << "button of string " << peg.string;
        EXPECT_TRUE(ind.Contains(peg.letter.Grown(4))) << "letter of string " << peg.string;
        if (peg.left_side) {
            EXPECT_LT(peg.letter.Right(), peg.button.left) << "letter beside the outer end";
        } else {
            EXPECT_GT(peg.letter.left, peg.button.Right()) << "letter beside the outer end";
        }
    }
    EXPECT_TRUE(kToggle.Contains(kLeverUp));
    EXPECT_TRUE(kToggle.Contains(kLeverDown));
    const Box lamp{static_cast<int>(kLampX - 13), static_cast<int>(kLampY - 13), 27, 27};
    EXPECT_TRUE(kToggle.Contains(lamp));
    EXPECT_LT(kLoopWord.Bottom(), kToggle.top) << "the word Loop stays outside the toggle";
}

} // namespace
} // namespace tarvisk::art::test
