#include "toolkit/linux_sound/sound_cache.h"

namespace tk::linux_sound {

std::shared_ptr<const Pcm> SoundCache::Find(const FileStamp& stamp)
{
    for (auto it = items_.begin(); it != items_.end(); ++it) {
        if (it->first == stamp) {
            items_.splice(items_.begin(), items_, it);
            return items_.front().second;
        }
    }
    return nullptr;
}

void SoundCache::Insert(const FileStamp& stamp, std::shared_ptr<const Pcm> sound)
{
    std::erase_if(items_, [&](const Item& item) {
        const bool older = item.first.path == stamp.path;
        if (older)
            bytes_ -= item.second->Bytes();
        return older;
    });
    bytes_ += sound->Bytes();
    items_.emplace_front(stamp, std::move(sound));
    while (bytes_ > budget_ && items_.size() > 1) {
        bytes_ -= items_.back().second->Bytes();
        items_.pop_back();
    }
}

} // namespace tk::linux_sound
