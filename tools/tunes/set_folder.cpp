#include "tools/tunes/set_folder.h"

#include "toolkit/linux/folder_listing.h"
#include "toolkit/linux/native_path.h"
#include "tools/tunes/synth.h"
#include "tools/tunes/wav_io.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace tarvisk::tunes {

namespace {

namespace fs = std::filesystem;

// For the tests of an interrupted run: with TARVISK_TUNES_STOP_AFTER=N the
// tool stops dead after its Nth change on disk, as a kill would stop it.
void Changed()
{
    static const long stop_after = [] {
        const char* value = std::getenv("TARVISK_TUNES_STOP_AFTER");
        return value ? std::atol(value) : 0L;
    }();
    static long changes = 0;
    if (++changes == stop_after)
        std::raise(SIGKILL);
}

// A file, or a folder's entries, reach the disk before a rename makes them
// part of the library, and the rename does before the run goes on.
void Sync(const fs::path& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

// False with the reason in `error`; with flags, a file system that does not
// know them leaves `unsupported` set.
bool Rename(const fs::path& from, const fs::path& to, unsigned flags, std::error_code& error,
            bool* unsupported = nullptr)
{
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), flags) == 0) {
        Changed();
        return true;
    }
    error.assign(errno, std::generic_category());
    if (unsupported)
        *unsupported = errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP;
    return false;
}

bool Written(const fs::path& file, std::span<const float> samples, const fs::path& named, std::ostream& log)
{
    std::string error;
    if (!WriteWav(file.string(), samples, kRate, error)) {
        log << named.string() << ": cannot write: " << error << "\n";
        return false;
    }
    Sync(file);
    Changed();
    return true;
}

} // namespace

std::vector<std::string> ListedSets(const fs::path& library)
{
    std::vector<std::string> names;
    const auto folder = tk::linux_paths::FromNative(library.string());
    if (const auto listed = folder ? tk::linux_paths::ListSubFolders(*folder) : std::nullopt)
        for (const std::string& path : *listed)
            names.push_back(fs::path(tk::linux_paths::ToNative(path)).filename().string());
    return names;
}

std::optional<std::string> ExistingSet(const fs::path& library, std::string_view name)
{
    std::optional<std::string> found;
    for (std::string& set : ListedSets(library)) {
        if (set == name)
            return set;
        if (!found && tk::linux_paths::CompareFolded(set, name) == 0)
            found = std::move(set);
    }
    return found;
}

NewSet::NewSet(fs::path library, std::string name) : library_(std::move(library)), name_(std::move(name))
{
    // Named alike for names that are one set, so a run under either finds
    // what a stopped one left. A set's name is ASCII.
    std::string folded = name_;
    for (char& c : folded)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    hidden_ = library_ / ("." + folded + ".new");
    aside_ = library_ / ("." + folded + ".old");
}

NewSet::~NewSet()
{
    std::error_code ec;
    if (started_ && !finished_)
        fs::remove_all(hidden_, ec);
}

bool NewSet::Claim(bool replace, std::ostream& log)
{
    std::error_code ec;
    // A run stopped while the old set made way for the new one left it
    // aside: it comes back, unless the new one had taken its place.
    if (fs::exists(fs::symlink_status(aside_, ec))) {
        if (!ExistingSet(library_, name_))
            Rename(aside_, library_ / name_, 0, ec);
        else
            fs::remove_all(aside_, ec);
    }
    existing_ = ExistingSet(library_, name_);
    if (existing_ && !replace) {
        log << "the library " << library_.string() << " holds the set \"" << *existing_
            << "\" already: nothing written (--replace replaces it)\n";
        return false;
    }
    // What a stopped run was writing.
    fs::remove_all(hidden_, ec);
    return true;
}

bool NewSet::Write(std::string_view file, std::span<const float> samples, std::ostream& log)
{
    if (!started_) {
        std::error_code ec;
        fs::create_directories(library_, ec);
        if (!ec)
            fs::create_directory(hidden_, ec);
        if (ec) {
            log << (library_ / name_).string() << ": cannot create: " << ec.message() << "\n";
            return false;
        }
        started_ = true;
    }
    return Written(hidden_ / file, samples, library_ / name_ / file, log);
}

bool NewSet::Finish(std::ostream& log)
{
    if (!started_)
        return false;
    Sync(hidden_);
    const fs::path target = library_ / name_;
    std::error_code ec;
    bool unsupported = false;
    bool ok = false;
    if (!existing_) {
        ok = Rename(hidden_, target, RENAME_NOREPLACE, ec, &unsupported) ||
            (unsupported && Rename(hidden_, target, 0, ec));
    } else {
        const fs::path old = library_ / *existing_;
        if (Rename(hidden_, old, RENAME_EXCHANGE, ec, &unsupported)) {
            // The new set takes its own name where the two differ in case.
            ok = old == target || Rename(old, target, 0, ec);
            std::error_code ignored;
            fs::remove_all(hidden_, ignored); // the old set now
        } else if (unsupported) {
            // Not in one step: the old set is put aside first, where the
            // next run finds it should this one stop.
            std::error_code ignored;
            if (Rename(old, aside_, 0, ec)) {
                ok = Rename(hidden_, target, 0, ec);
                if (ok)
                    fs::remove_all(aside_, ignored);
                else
                    Rename(aside_, old, 0, ignored);
            }
        }
    }
    if (!ok) {
        log << target.string() << ": cannot put the new set in place: " << ec.message() << "\n";
        return false;
    }
    finished_ = true;
    Sync(library_);
    return true;
}

bool ClaimLibraryFile(const fs::path& file, bool replace, std::ostream& log)
{
    std::error_code ec;
    if (replace || !fs::exists(fs::symlink_status(file, ec)))
        return true;
    log << file.string() << " is there already: nothing written (--replace replaces it)\n";
    return false;
}

bool WriteLibraryFile(const fs::path& file, std::span<const float> samples, std::ostream& log)
{
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    const fs::path hidden = file.parent_path() / ("." + file.filename().string() + ".new");
    if (!Written(hidden, samples, file, log))
        return false;
    if (!Rename(hidden, file, 0, ec)) {
        log << file.string() << ": cannot put it in place: " << ec.message() << "\n";
        fs::remove(hidden, ec);
        return false;
    }
    Sync(file.parent_path());
    return true;
}

} // namespace tarvisk::tunes
