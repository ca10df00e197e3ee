#pragma once
// The one way a note's bytes reach libsndfile 1.2.0, whose flaws fuzzing
// found: the player's decoder and the library tool both open through here,
// so the tool calls a note unreadable exactly when the program cannot play it.

#include "toolkit/sndfile/sndfile_library.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace tk::sndfile {

struct SndFileCloser {
    const SndfileLibrary* sf = nullptr;
    void operator()(SNDFILE* file) const { sf->sf_close(file); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

// Where libsndfile reads a note from: an open file, whose descriptor it
// closes, or bytes in memory that outlive it.
struct NoteSource {
    int fd = -1;
    std::span<const unsigned char> memory;
    std::int64_t size = 0;
    std::int64_t at = 0;

    NoteSource() = default;
    NoteSource(const NoteSource&) = delete;
    NoteSource& operator=(const NoteSource&) = delete;
    ~NoteSource();
};

// An open note; `source` is declared first so that it outlives `file`.
struct OpenedNote {
    std::unique_ptr<NoteSource> source;
    SndFilePtr file;
    SF_INFO info{};
};

// The descriptor, of a regular file, becomes the note's. Empty with a reason
// when the bytes are refused or libsndfile cannot open them. The whole file
// is looked through first, so `cancelled`, asked as it goes, can abandon a
// huge one.
// `sf` is the libsndfile that opens, reads and closes it.
std::optional<OpenedNote> OpenNote(const SndfileLibrary& sf, int fd, std::string& reason,
                                   const std::function<bool()>& cancelled = {});
std::optional<OpenedNote> OpenNote(const SndfileLibrary& sf, std::span<const unsigned char> bytes,
                                   std::string& reason);

} // namespace tk::sndfile
