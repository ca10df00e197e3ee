// The decoded-sound cache: bounded in bytes, least recently used out first,
// never the sound that is playing, and a changed file never served stale.

#include "toolkit/openal/sound_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace tk::openal {
namespace {

FileStamp Stamp(const std::string& path, std::int64_t mtime = 1)
{
    FileStamp stamp;
    stamp.path = path;
    stamp.size = 1000;
    stamp.mtime_ns = mtime;
    return stamp;
}

class SoundCacheTest : public ::testing::Test {
protected:
    bool Released(std::uint32_t handle) const
    {
        return std::find(released_.begin(), released_.end(), handle) != released_.end();
    }

    std::vector<std::uint32_t> released_;
    SoundCache cache_{300, [this](std::uint32_t handle) { released_.push_back(handle); }};
};

TEST_F(SoundCacheTest, OverBudgetTheLeastRecentlyUsedGoFirst)
{
    cache_.Insert(Stamp("a"), {1, 100, 1.0}, 0);
    cache_.Insert(Stamp("b"), {2, 100, 1.0}, 0);
    cache_.Insert(Stamp("c"), {3, 100, 1.0}, 0);
    ASSERT_TRUE(cache_.Find(Stamp("a"))); // a is now the latest use
    cache_.Insert(Stamp("d"), {4, 100, 1.0}, 0);
    cache_.Trim(4);
    EXPECT_EQ(released_, std::vector<std::uint32_t>{2});
    EXPECT_FALSE(cache_.Find(Stamp("b")));
    EXPECT_TRUE(cache_.Find(Stamp("a")));
    EXPECT_EQ(cache_.Bytes(), 300u);
}

TEST_F(SoundCacheTest, ThePlayingSoundStaysEvenWhenItAloneExceedsTheBudget)
{
    cache_.Insert(Stamp("small"), {1, 100, 1.0}, 0);
    cache_.Insert(Stamp("huge"), {2, 1000, 9.0}, 0);
    cache_.Trim(2);
    EXPECT_EQ(released_, std::vector<std::uint32_t>{1});
    EXPECT_TRUE(cache_.Find(Stamp("huge")));
    // Once something else plays it goes.
    cache_.Trim(0);
    EXPECT_TRUE(Released(2));
    EXPECT_EQ(cache_.Bytes(), 0u);
}

TEST_F(SoundCacheTest, ChangedFileMissesAndReplacesItsOlderVersion)
{
    cache_.Insert(Stamp("G.wav", 1), {1, 100, 1.0}, 0);
    EXPECT_FALSE(cache_.Find(Stamp("G.wav", 2)));
    FileStamp other_size = Stamp("G.wav", 1);
    other_size.size = 999;
    EXPECT_FALSE(cache_.Find(other_size));

    cache_.Insert(Stamp("G.wav", 2), {2, 100, 1.0}, 0);
    EXPECT_TRUE(Released(1));
    EXPECT_EQ(cache_.Find(Stamp("G.wav", 2))->handle, 2u);
    EXPECT_EQ(cache_.Bytes(), 100u);
}

TEST_F(SoundCacheTest, OlderVersionThatStillPlaysIsKeptUntilTrimmed)
{
    cache_.Insert(Stamp("G.wav", 1), {1, 100, 1.0}, 0);
    cache_.Insert(Stamp("G.wav", 2), {2, 100, 1.0}, 1);
    EXPECT_FALSE(Released(1));
    cache_.Insert(Stamp("x"), {3, 200, 1.0}, 0);
    cache_.Trim(3);
    EXPECT_TRUE(Released(1));
}

TEST_F(SoundCacheTest, ClearReleasesEverything)
{
    cache_.Insert(Stamp("a"), {1, 10, 1.0}, 0);
    cache_.Insert(Stamp("b"), {2, 10, 1.0}, 0);
    cache_.Clear();
    std::sort(released_.begin(), released_.end());
    EXPECT_EQ(released_, (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(cache_.Bytes(), 0u);
}

} // namespace
} // namespace tk::openal
