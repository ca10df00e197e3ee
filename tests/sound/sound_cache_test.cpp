// The decoded-sound cache: bounded in bytes, least recently used out first,
// and a changed file never served stale.

#include "toolkit/linux_sound/sound_cache.h"

#include <gtest/gtest.h>

namespace tk::linux_sound {
namespace {

FileStamp Stamp(const std::string& path, std::int64_t mtime = 1)
{
    FileStamp stamp;
    stamp.path = path;
    stamp.size = 1000;
    stamp.mtime_ns = mtime;
    return stamp;
}

// A sound of `bytes` bytes.
std::shared_ptr<const Pcm> Sound(std::size_t bytes)
{
    return std::make_shared<const Pcm>(Pcm{44100, 1, std::vector<std::int16_t>(bytes / 2)});
}

TEST(SoundCache, OverBudgetTheLeastRecentlyUsedGoFirstButNeverTheNewest)
{
    SoundCache cache(300);
    cache.Insert(Stamp("a"), Sound(100));
    cache.Insert(Stamp("b"), Sound(100));
    cache.Insert(Stamp("c"), Sound(100));
    ASSERT_NE(cache.Find(Stamp("a")), nullptr); // a is now the latest used
    cache.Insert(Stamp("d"), Sound(100));
    EXPECT_EQ(cache.Find(Stamp("b")), nullptr);
    EXPECT_NE(cache.Find(Stamp("a")), nullptr);
    EXPECT_EQ(cache.Bytes(), 300u);

    const auto big = Sound(1000);
    cache.Insert(Stamp("big"), big);
    EXPECT_EQ(cache.Find(Stamp("big")), big);
    EXPECT_EQ(cache.Bytes(), 1000u);
}

TEST(SoundCache, ChangedFileMissesAndReplacesItsOlderVersion)
{
    SoundCache cache(300);
    const auto old_version = Sound(100);
    cache.Insert(Stamp("a", 1), old_version);
    EXPECT_EQ(cache.Find(Stamp("a", 2)), nullptr);
    cache.Insert(Stamp("a", 2), Sound(100));
    EXPECT_EQ(cache.Find(Stamp("a", 1)), nullptr);
    EXPECT_NE(cache.Find(Stamp("a", 2)), nullptr);
    EXPECT_EQ(cache.Bytes(), 100u);
    EXPECT_EQ(old_version.use_count(), 1) << "only whoever still plays it holds the old version";
}

} // namespace
} // namespace tk::linux_sound
