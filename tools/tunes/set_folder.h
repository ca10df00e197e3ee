#pragma once
// Writing into a library without losing what it holds. A set is written
// whole into a hidden folder beside the others (the set list leaves out
// names that start with "."), and only then put in place: over a set of the
// same name in one exchange of the two folders, so that an interrupted run
// leaves either the old set or the new one, each whole. A file of the
// library itself is written beside it and renamed over the old one. What an
// interrupted run leaves hidden, the next run clears away.

#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvisk::tunes {

// The sets of `library` as the program lists them, in the list's order.
std::vector<std::string> ListedSets(const std::filesystem::path& library);

// The set of `library` that a set called `name` would be: compared as the set
// list sorts names, upper and lower case alike, since they name one folder
// where case does not count, as on Windows. Empty when there is none.
std::optional<std::string> ExistingSet(const std::filesystem::path& library, std::string_view name);

// A new set `name` of `library`, written note by note and put in place by
// Finish; one left unfinished is removed with its hidden folder.
class NewSet {
public:
    NewSet(std::filesystem::path library, std::string name);
    ~NewSet();
    NewSet(const NewSet&) = delete;
    NewSet& operator=(const NewSet&) = delete;

    // Whether the set may be written, before anything is: false, with one
    // line naming the set in `log`, when the library holds it already and
    // `replace` is not given.
    bool Claim(bool replace, std::ostream& log);

    bool Write(std::string_view file, std::span<const float> samples, std::ostream& log);

    // Puts the set in place, in place of the set of that name if there is
    // one, which then goes.
    bool Finish(std::ostream& log);

private:
    std::filesystem::path library_;
    std::string name_;
    std::optional<std::string> existing_;
    std::filesystem::path hidden_; // the new set while it is written
    std::filesystem::path aside_;  // the old one while it makes way, where folders cannot be exchanged
    bool started_ = false;
    bool finished_ = false;
};

// False, with one line in `log`, when `file` exists and `replace` is not given.
bool ClaimLibraryFile(const std::filesystem::path& file, bool replace, std::ostream& log);

// A file in the library's own folder (reset.wav, Chord.wav), written beside it
// and renamed over the old one.
bool WriteLibraryFile(const std::filesystem::path& file, std::span<const float> samples, std::ostream& log);

} // namespace tarvisk::tunes
