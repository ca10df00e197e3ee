// The sound library's file names and how every path into it is formed.

#include "sound/library.h"

#include <gtest/gtest.h>

namespace tarvisk {
namespace {

TEST(NoteFiles, RunFromTheHighEStringToTheLowE)
{
    const std::array<std::string_view, 6> expected = {"E2.wav", "H.wav", "G.wav", "D.wav", "A.wav", "E.wav"};
    EXPECT_EQ(NoteFiles, expected);
}

struct NoteCase {
    const char* tunes_dir;
    const char* sound_set;
    int index;
    const char* path;
};

TEST(NotePath, JoinsLibrarySetAndFileWithNothingInBetween)
{
    const NoteCase cases[] = {
        {"C:\\Tools\\Tuning\\Tunes\\", "Acoustic\\", 0, "C:\\Tools\\Tuning\\Tunes\\Acoustic\\E2.wav"},
        {"C:\\Tools\\Tuning\\Tunes\\", "Acoustic\\", 1, "C:\\Tools\\Tuning\\Tunes\\Acoustic\\H.wav"},
        {"C:\\Tools\\Tuning\\Tunes\\", "Acoustic\\", 5, "C:\\Tools\\Tuning\\Tunes\\Acoustic\\E.wav"},
        {"\\home\\ana\\Tunes\\", "Pure Tone\\", 2, "\\home\\ana\\Tunes\\Pure Tone\\G.wav"},
        {"\\home\\ana\\Tunes\\", "Kl\xC3\xA4nge\\", 3, "\\home\\ana\\Tunes\\Kl\xC3\xA4nge\\D.wav"},
        // No set chosen yet: the note is looked up in the library folder itself.
        {"C:\\Tunes\\", "", 4, "C:\\Tunes\\A.wav"},
        {"C:\\Tunes\\", "", 0, "C:\\Tunes\\E2.wav"},
        // The parts bring their own separators; none are added or removed.
        {"C:\\Tunes", "Set", 5, "C:\\TunesSetE.wav"},
    };
    for (const NoteCase& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(NotePath(c.tunes_dir, c.sound_set, c.index), c.path);
    }
}

TEST(NotePath, IndexOutsideTheSixStringsIsAnError)
{
    EXPECT_THROW(NotePath("C:\\Tunes\\", "Acoustic\\", 6), std::out_of_range);
    EXPECT_THROW(NotePath("C:\\Tunes\\", "Acoustic\\", -1), std::out_of_range);
}

TEST(LibraryPaths, ChordLiesDirectlyInTheLibraryFolder)
{
    EXPECT_EQ(ChordPath("C:\\Tools\\Tuning\\Tunes\\"), "C:\\Tools\\Tuning\\Tunes\\Chord.wav");
    EXPECT_EQ(ChordPath("\\Tunes\\"), "\\Tunes\\Chord.wav");
}

} // namespace
} // namespace tarvisk
