#pragma once
// Decoded sounds kept for quick replay, keyed by file stamp and bounded in
// bytes. It holds opaque handles (OpenAL buffer names) and frees them through
// the function it is given, least recently used first, never the pinned one.

#include "toolkit/openal/wav_decoder.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <optional>

namespace tk::openal {

class SoundCache {
public:
    struct Entry {
        std::uint32_t handle = 0;
        std::size_t bytes = 0;
        double seconds = 0.0;
    };

    SoundCache(std::size_t budget_bytes, std::function<void(std::uint32_t)> release);
    ~SoundCache();
    SoundCache(const SoundCache&) = delete;
    SoundCache& operator=(const SoundCache&) = delete;

    // A hit counts as the latest use.
    std::optional<Entry> Find(const FileStamp& stamp);

    // An older version of the same path is dropped unless pinned.
    void Insert(const FileStamp& stamp, const Entry& entry, std::uint32_t pinned);

    // Frees least recently used entries, never `pinned`, while over budget.
    void Trim(std::uint32_t pinned);

    void Clear();

    // The device that held the handles is gone: every entry is dropped, and
    // nothing is released.
    void Forget();

    std::size_t Bytes() const { return bytes_; }

private:
    struct Item {
        FileStamp stamp;
        Entry entry;
    };

    std::list<Item>::iterator Erase(std::list<Item>::iterator it);

    std::size_t budget_;
    std::function<void(std::uint32_t)> release_;
    std::list<Item> items_; // most recent first
    std::size_t bytes_ = 0;
};

} // namespace tk::openal
