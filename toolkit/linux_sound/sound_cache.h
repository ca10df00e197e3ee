#pragma once
// Decoded sounds kept for quick replay, keyed by file stamp and bounded in
// bytes, the least recently used going first. A sound that still plays
// lives on in the mixer after the cache has let it go.

#include "toolkit/sndfile/wav_decoder.h"

#include <list>
#include <memory>
#include <numeric>
#include <utility>

namespace tk::linux_sound {

using sndfile::FileStamp;
using sndfile::Pcm;

class SoundCache {
public:
    explicit SoundCache(std::size_t budget_bytes) : budget_(budget_bytes) {}

    // A hit counts as the latest use.
    std::shared_ptr<const Pcm> Find(const FileStamp& stamp)
    {
        for (auto it = items_.begin(); it != items_.end(); ++it)
            if (it->first == stamp) {
                items_.splice(items_.begin(), items_, it);
                return it->second;
            }
        return nullptr;
    }

    // Replaces any older version of the same path, then keeps within the
    // budget; the sound just inserted stays even when it alone exceeds it.
    void Insert(const FileStamp& stamp, std::shared_ptr<const Pcm> sound)
    {
        std::erase_if(items_, [&](const Item& item) { return item.first.path == stamp.path; });
        items_.emplace_front(stamp, std::move(sound));
        while (Bytes() > budget_ && items_.size() > 1)
            items_.pop_back();
    }

    std::size_t Bytes() const
    {
        return std::accumulate(items_.begin(), items_.end(), std::size_t{0},
                               [](std::size_t sum, const Item& item) { return sum + item.second->Bytes(); });
    }

private:
    using Item = std::pair<FileStamp, std::shared_ptr<const Pcm>>;

    std::size_t budget_;
    std::list<Item> items_; // most recent first
};

} // namespace tk::linux_sound
