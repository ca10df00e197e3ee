// OpenAL Soft's large zeroings release whole pages instead of writing them.

#include "tools/fixtures/sound_fixtures.h"
#include "toolkit/openal/al_library.h"
#include "toolkit/openal/lazy_zero_fill.h"
#include "toolkit/openal/loaded_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace tarvisk::sound_test {
namespace {

constexpr std::size_t kSize = std::size_t{4} << 20;

std::size_t ResidentPages(const unsigned char* at, std::size_t size)
{
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> resident((size + page - 1) / page);
    mincore(const_cast<unsigned char*>(at), size, resident.data());
    return static_cast<std::size_t>(std::count_if(resident.begin(), resident.end(), [](unsigned char r) { return r & 1; }));
}

bool AllAre(const unsigned char* from, std::size_t size, unsigned char value)
{
    return std::all_of(from, from + size, [&](unsigned char b) { return b == value; });
}

TEST(ZeroFill, LargeAnonymousRangeReadsZeroCostsNoPagesAndLeavesItsNeighbours)
{
    void* mapped = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    // Small pages wherever transparent huge pages are on, so residency is
    // counted the same on every machine.
    madvise(mapped, kSize, MADV_NOHUGEPAGE);
    auto* bytes = static_cast<unsigned char*>(mapped);
    std::memset(bytes, 0xAB, kSize);
    // Neither end on a page boundary: the partial pages are written.
    const std::size_t from = 100, size = kSize - 300;
    EXPECT_EQ(tk::openal::ZeroFill(bytes + from, 0, size), bytes + from);
    EXPECT_LT(ResidentPages(bytes, kSize), 4u);
    EXPECT_TRUE(AllAre(bytes + from, size, 0));
    EXPECT_TRUE(AllAre(bytes, from, 0xAB));
    EXPECT_TRUE(AllAre(bytes + from + size, kSize - from - size, 0xAB));

    tk::openal::ZeroFill(bytes, 7, kSize);
    EXPECT_TRUE(AllAre(bytes, kSize, 7)) << "other values are written";
    munmap(mapped, kSize);
}

TEST(ZeroFill, FileBackedRangeIsWrittenNotReleased)
{
    TempDir dir;
    const std::string path = (dir.path() / "filled").string();
    const int fd = open(path.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    const std::vector<unsigned char> filled(kSize, 0xAB);
    ASSERT_EQ(write(fd, filled.data(), kSize), static_cast<ssize_t>(kSize));
    void* mapped = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
    close(fd);
    ASSERT_NE(mapped, MAP_FAILED);
    // A released page of a file mapping would read the file again.
    tk::openal::ZeroFill(mapped, 0, kSize);
    EXPECT_TRUE(AllAre(static_cast<unsigned char*>(mapped), kSize, 0));
    munmap(mapped, kSize);
}

TEST(ZeroFill, OpenAlSoftCallsItForMemset)
{
    ASSERT_NE(tk::openal::LoadOpenAl(), nullptr);
    const auto openal = tk::openal::LibraryHolding(reinterpret_cast<const void*>(tk::openal::Al().alcOpenDevice));
    ASSERT_TRUE(openal.has_value());
    const std::uintptr_t* slot = tk::openal::CallSlot(*openal, "memset");
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(*slot, reinterpret_cast<std::uintptr_t>(&tk::openal::ZeroFill));
    EXPECT_EQ(tk::openal::CallSlot(*openal, "tarvisk_no_such_function"), nullptr);
}

} // namespace
} // namespace tarvisk::sound_test
