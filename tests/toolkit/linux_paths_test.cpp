#include "toolkit/linux/folder_listing.h"
#include "toolkit/linux/native_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include <sys/wait.h>
#include <unistd.h>

namespace tk::linux_paths {
namespace {

namespace fs = std::filesystem;
const std::string kEsc = kEscapedBackslash;

TEST(NativePath, SlashesBecomeBackslashesAndBack)
{
    EXPECT_EQ(FromNative("/home/ana/tarvisk"), "\\home\\ana\\tarvisk");
    EXPECT_EQ(FromNative("/"), "\\");
    EXPECT_EQ(ToNative("\\home\\ana\\tarvisk\\Tunes\\Acoustic\\E.wav"),
              "/home/ana/tarvisk/Tunes/Acoustic/E.wav");
    EXPECT_EQ(ToNative("\\Tunes\\"), "/Tunes/");
}

TEST(NativePath, NonAsciiAndSpacesPassUnchanged)
{
    const std::string native = "/srv/Kl\xC3\xA4nge/Nylon Saiten";
    EXPECT_EQ(ToNative(*FromNative(native)), native);
}

TEST(NativePath, BackslashInsideANameNeverBecomesASeparator)
{
    // "/lib/a\b" is one folder named a\b, not a folder b inside a.
    auto mapped = FromNative("/lib/a\\b");
    ASSERT_TRUE(mapped);
    EXPECT_EQ(*mapped, "\\lib\\a" + kEsc + "b");
    EXPECT_EQ(ToNative(*mapped + "\\E.wav"), "/lib/a\\b/E.wav");
}

TEST(NativePath, NameHoldingTheEscapeCharacterIsRefused)
{
    // Mapping it would come back as a backslash: a different file.
    EXPECT_FALSE(FromNative("/lib/odd" + kEsc + "name"));
}

class FolderListing : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path() /
            ("tarvisk-listing-" + std::to_string(getpid()) + "-" +
             testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(root_, fs::perms::owner_all, ec);
        fs::remove_all(root_, ec);
    }
    void Folder(const std::string& name) { fs::create_directory(root_ / name); }
    void File(const std::string& name) { std::ofstream(root_ / name) << "x"; }
    std::string Library() const { return *FromNative(root_.string()) + "\\"; }
    std::vector<std::string> Names()
    {
        auto listed = ListSubFolders(Library());
        EXPECT_TRUE(listed);
        std::vector<std::string> names;
        for (const std::string& full : listed.value_or(std::vector<std::string>{})) {
            EXPECT_EQ(full.rfind(Library(), 0), 0u) << full;
            names.push_back(full.substr(Library().size()));
        }
        return names;
    }

    fs::path root_;
};

TEST_F(FolderListing, HiddenFoldersAreLeftOut)
{
    Folder(".git");
    Folder(".hidden set");
    Folder("Acoustic");
    EXPECT_EQ(Names(), (std::vector<std::string>{"Acoustic"}));
}

TEST_F(FolderListing, NonAsciiNamesAndCaseTwinsKeepTheirExactBytes)
{
    Folder("\xC3\x9C"
           "bung"); // Übung
    Folder("nylon");
    Folder("Nylon");
    auto names = Names();
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], "Nylon"); // exact bytes break the tie
    EXPECT_EQ(names[1], "nylon");
    EXPECT_EQ(names[2],
              "\xC3\x9C"
              "bung");
}

TEST_F(FolderListing, NamesThatAreNotUtf8AreLeftOut)
{
    // Shown as text and read back, such a name would name another folder.
    Folder("Akustik\xE9");
    Folder("Over\xC0\xAFlong");
    Folder("Akustik\xC3\xA9");
    EXPECT_EQ(Names(), (std::vector<std::string>{"Akustik\xC3\xA9"}));
}

TEST_F(FolderListing, FolderLinksCountFileLinksDoNot)
{
    Folder("Real");
    File("note.wav");
    fs::create_directory_symlink(root_ / "Real", root_ / "Linked");
    fs::create_symlink(root_ / "note.wav", root_ / "Looks Like A Set");
    fs::create_directory_symlink(root_ / "gone", root_ / "Dangling");
    EXPECT_EQ(Names(), (std::vector<std::string>{"Linked", "Real"}));
}

TEST_F(FolderListing, FolderNamedLikeANoteFileIsASet)
{
    Folder("E.wav");
    EXPECT_EQ(Names(), (std::vector<std::string>{"E.wav"}));
}

TEST_F(FolderListing, BackslashNameIsListedSoItStillNamesItself)
{
    Folder("a\\b");
    auto listed = ListSubFolders(Library());
    ASSERT_TRUE(listed);
    ASSERT_EQ(listed->size(), 1u);
    EXPECT_TRUE(fs::is_directory(ToNative((*listed)[0])));
    EXPECT_EQ(ToNative((*listed)[0]), (root_ / "a\\b").string());
}

// Whether the folder lists, tried by a user whom permissions bind: root
// reads any folder, so there a child process tries it as "nobody".
// Empty when that user cannot be taken on.
std::optional<bool> ListsAsAUser(const std::string& folder)
{
    if (geteuid() != 0)
        return ListSubFolders(folder).has_value();
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        _exit(ListSubFolders(folder) ? 1 : 0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 2)
        return std::nullopt;
    return WEXITSTATUS(status) == 1;
}

TEST_F(FolderListing, MissingOrUnreadableFolderCannotBeOpened)
{
    EXPECT_FALSE(ListSubFolders(Library() + "absent\\"));
    Folder("locked");
    Folder("open");
    fs::permissions(root_ / "locked", fs::perms::none);
    const auto open = ListsAsAUser(Library() + "open\\");
    if (!open)
        GTEST_SKIP() << "no user whom permissions bind";
    EXPECT_TRUE(*open) << "the same user lists an open folder";
    EXPECT_EQ(ListsAsAUser(Library() + "locked\\"), false);
}

TEST_F(FolderListing, ThousandsOfSetsAreAllListedInOrder)
{
    for (int i = 0; i < 3000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "Set %04d", 2999 - i);
        Folder(name);
    }
    auto names = Names();
    ASSERT_EQ(names.size(), 3000u);
    EXPECT_EQ(names.front(), "Set 0000");
    EXPECT_EQ(names.back(), "Set 2999");
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
}

// The program runs under the user's locale. Found by fuzzing: folding case
// by the locale moved "I" after "z" in Turkish and reordered UTF-8 lead
// bytes in single-byte locales.
TEST_F(FolderListing, OrderIsTheSameUnderAnyLocale)
{
    const fs::path locales = root_ / ".locales";
    fs::create_directory(locales);
    const std::string make =
        "localedef -i tr_TR -f ISO-8859-9 '" + (locales / "tr").string() + "' >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0 || !fs::exists(locales / "tr"))
        GTEST_SKIP() << "localedef cannot make a Turkish locale";
    for (const char* name : {"zither", "Ibanez", "acoustic",
                             "\xE2\x82\xAC"
                             "uro",
                             "\xD8\xA7"})
        Folder(name);
    setenv("LOCPATH", locales.c_str(), 1);
    ASSERT_NE(std::setlocale(LC_ALL, "tr"), nullptr);
    const auto names = Names();
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
    EXPECT_EQ(names,
              (std::vector<std::string>{"acoustic", "Ibanez", "zither", "\xD8\xA7",
                                        "\xE2\x82\xAC"
                                        "uro"}));
}

} // namespace
} // namespace tk::linux_paths
