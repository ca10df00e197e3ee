#pragma once
// Decoded sounds kept for quick replay, keyed by file stamp and bounded in
// bytes, the least recently used going first. A sound that still plays
// lives on in the mixer after the cache has let it go.

#include "toolkit/linux_sound/wav_decoder.h"

#include <cstddef>
#include <list>
#include <memory>
#include <utility>

namespace tk::linux_sound {

class SoundCache {
public:
    explicit SoundCache(std::size_t budget_bytes) : budget_(budget_bytes) {}

    // A hit counts as the latest use.
    std::shared_ptr<const Pcm> Find(const FileStamp& stamp);

    // Replaces any older version of the same path, then keeps within the
    // budget; the sound just inserted stays even when it alone exceeds it.
    void Insert(const FileStamp& stamp, std::shared_ptr<const Pcm> sound);

    std::size_t Bytes() const { return bytes_; }

private:
    using Item = std::pair<FileStamp, std::shared_ptr<const Pcm>>;

    std::size_t budget_;
    std::list<Item> items_; // most recent first
    std::size_t bytes_ = 0;
};

} // namespace tk::linux_sound
