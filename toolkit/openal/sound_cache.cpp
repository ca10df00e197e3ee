#include "toolkit/openal/sound_cache.h"

#include <utility>

namespace tk::openal {

SoundCache::SoundCache(std::size_t budget_bytes, std::function<void(std::uint32_t)> release)
    : budget_(budget_bytes), release_(std::move(release))
{
}

SoundCache::~SoundCache() { Clear(); }

std::optional<SoundCache::Entry> SoundCache::Find(const FileStamp& stamp)
{
    for (auto it = items_.begin(); it != items_.end(); ++it) {
        if (it->stamp == stamp) {
            items_.splice(items_.begin(), items_, it);
            return items_.front().entry;
        }
    }
    return std::nullopt;
}

void SoundCache::Insert(const FileStamp& stamp, const Entry& entry, std::uint32_t pinned)
{
    for (auto it = items_.begin(); it != items_.end();) {
        if (it->stamp.path == stamp.path && it->entry.handle != pinned)
            it = Erase(it);
        else
            ++it;
    }
    items_.push_front(Item{stamp, entry});
    bytes_ += entry.bytes;
}

void SoundCache::Trim(std::uint32_t pinned)
{
    auto it = items_.end();
    while (bytes_ > budget_ && it != items_.begin()) {
        --it;
        if (it->entry.handle != pinned)
            it = Erase(it);
    }
}

void SoundCache::Clear()
{
    while (!items_.empty())
        Erase(items_.begin());
}

void SoundCache::Forget()
{
    items_.clear();
    bytes_ = 0;
}

std::list<SoundCache::Item>::iterator SoundCache::Erase(std::list<Item>::iterator it)
{
    bytes_ -= it->entry.bytes;
    const std::uint32_t handle = it->entry.handle;
    auto next = items_.erase(it);
    if (release_)
        release_(handle);
    return next;
}

} // namespace tk::openal
