#pragma once
// Owners of OpenAL objects. The al* calls act on the context current on the
// calling thread, so sources and buffers are made and freed on the thread that
// made their context current. Members declared device, context, buffers,
// sources are freed in the reverse: sources, buffers, context, device.

#include "toolkit/openal/al_library.h"

#include <memory>
#include <utility>

namespace tk::openal {

struct DeviceCloser {
    void operator()(ALCdevice* device) const { Al().alcCloseDevice(device); }
};
using DevicePtr = std::unique_ptr<ALCdevice, DeviceCloser>;

// A context, current on the thread that made it for as long as it lives.
class ThreadContext {
public:
    ThreadContext() = default;
    ThreadContext(ALCdevice* device, const ALCint* attributes)
        : context_(Al().alcCreateContext(device, attributes))
    {
        if (context_ != nullptr && Al().alcSetThreadContext(context_) != ALC_TRUE) {
            Al().alcDestroyContext(context_);
            context_ = nullptr;
        }
    }
    ~ThreadContext() { Reset(); }
    ThreadContext(ThreadContext&& other) noexcept : context_(std::exchange(other.context_, nullptr)) {}
    ThreadContext& operator=(ThreadContext&& other) noexcept
    {
        if (this != &other) {
            Reset();
            context_ = std::exchange(other.context_, nullptr);
        }
        return *this;
    }
    explicit operator bool() const { return context_ != nullptr; }

private:
    void Reset()
    {
        if (context_ == nullptr)
            return;
        Al().alcSetThreadContext(nullptr);
        Al().alcDestroyContext(std::exchange(context_, nullptr));
    }
    ALCcontext* context_ = nullptr;
};

// One source or buffer name of the current context.
template <bool kSource> class AlName {
public:
    AlName() = default;
    explicit AlName(ALuint adopted) : name_(adopted) {}
    static AlName Make()
    {
        Al().alGetError();
        AlName made;
        (kSource ? Al().alGenSources : Al().alGenBuffers)(1, &made.name_);
        if (Al().alGetError() != AL_NO_ERROR)
            made.name_ = 0;
        return made;
    }
    ~AlName()
    {
        if (name_ != 0)
            (kSource ? Al().alDeleteSources : Al().alDeleteBuffers)(1, &name_);
    }
    AlName(AlName&& other) noexcept : name_(std::exchange(other.name_, 0)) {}
    AlName& operator=(AlName&& other) noexcept
    {
        if (this != &other) {
            AlName old(std::move(*this));
            name_ = std::exchange(other.name_, 0);
        }
        return *this;
    }
    ALuint get() const { return name_; }
    explicit operator bool() const { return name_ != 0; }
    // Hands the name to another owner (the sound cache).
    ALuint release() { return std::exchange(name_, 0); }

private:
    ALuint name_ = 0;
};
using Source = AlName<true>;
using Buffer = AlName<false>;

} // namespace tk::openal
