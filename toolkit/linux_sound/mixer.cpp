#include "toolkit/linux_sound/mixer.h"

#include "toolkit/linux_sound/libraries.h"

#include <algorithm>
#include <cstdio>

namespace tk::linux_sound {

// One sound playing: its frames as stereo float at the output's rate.
class Mixer::Voice {
public:
    Voice(std::shared_ptr<const Pcm> sound, bool loop, int rate)
        : sound_(std::move(sound)), loop_(loop), ratio_(static_cast<double>(rate) / sound_->rate)
    {
        if (sound_->rate == rate)
            return;
        src_ = LoadSamplerate();
        int error = 0;
        if (src_ != nullptr) {
            resampler_ = src_->src_callback_new(&Voice::Feed, SRC_SINC_MEDIUM_QUALITY, 2, &error, this);
            return;
        }
        static std::once_flag once;
        std::call_once(once, [] {
            std::fputs("tarvisk: libsamplerate.so.0 cannot be loaded: notes recorded at another rate than "
                       "the output's are silent\n",
                       stderr);
        });
    }
    ~Voice()
    {
        if (resampler_ != nullptr)
            src_->src_delete(resampler_);
    }
    Voice(const Voice&) = delete;
    Voice& operator=(const Voice&) = delete;

    void FadeIn(std::size_t frames)
    {
        gain_ = 0.0f;
        step_ = 1.0f / static_cast<float>(frames);
    }
    void FadeOut(std::size_t frames) { step_ = -1.0f / static_cast<float>(frames); }

    // Adds the next `frames` frames into `out`; false once the voice is over.
    bool MixInto(float* out, std::size_t frames)
    {
        scratch_.resize(2 * frames);
        std::size_t got = 0;
        if (ratio_ == 1.0) {
            got = Read(scratch_.data(), frames);
        } else if (resampler_ != nullptr) {
            const long made =
                src_->src_callback_read(resampler_, ratio_, static_cast<long>(frames), scratch_.data());
            got = made > 0 ? static_cast<std::size_t>(made) : 0;
        }
        for (std::size_t i = 0; i < got; ++i) {
            out[2 * i] += scratch_[2 * i] * gain_;
            out[2 * i + 1] += scratch_[2 * i + 1] * gain_;
            gain_ = std::min(1.0f, gain_ + step_);
            if (gain_ <= 0.0f)
                return false;
        }
        return got == frames;
    }

private:
    // The next frames of the file at its own rate, from its start again
    // where a loop reaches its end.
    std::size_t Read(float* stereo, std::size_t frames)
    {
        const std::size_t total = sound_->Frames();
        const auto channels = static_cast<std::size_t>(sound_->channels);
        const std::int16_t* samples = sound_->samples.data();
        std::size_t done = 0;
        while (done < frames) {
            if (next_ == total) {
                if (!loop_ || total == 0)
                    break;
                next_ = 0;
            }
            const std::size_t count = std::min(frames - done, total - next_);
            for (std::size_t i = 0; i < count; ++i) {
                const std::int16_t* frame = samples + (next_ + i) * channels;
                stereo[2 * (done + i)] = frame[0] / 32768.0f;
                stereo[2 * (done + i) + 1] = frame[channels - 1] / 32768.0f;
            }
            next_ += count;
            done += count;
        }
        return done;
    }

    // What the resampler is handed at a time.
    static constexpr std::size_t kChunkFrames = 256;

    static long Feed(void* self, float** data)
    {
        auto& voice = *static_cast<Voice*>(self);
        voice.input_.resize(2 * kChunkFrames);
        *data = voice.input_.data();
        return static_cast<long>(voice.Read(voice.input_.data(), kChunkFrames));
    }

    std::shared_ptr<const Pcm> sound_;
    const bool loop_;
    const double ratio_;
    std::size_t next_ = 0;
    const SamplerateLibrary* src_ = nullptr;
    SRC_STATE* resampler_ = nullptr;
    std::vector<float> input_;
    std::vector<float> scratch_;
    float gain_ = 1.0f;
    float step_ = 0.0f;
};

Mixer::Mixer(int rate, double rest_after_seconds, double held_seconds)
    : rate_(rate), fade_frames_(std::max<std::size_t>(1, static_cast<std::size_t>(kFadeSeconds * rate))),
      rest_after_frames_(static_cast<std::uint64_t>(rest_after_seconds * rate)),
      held_(2 * static_cast<std::size_t>(held_seconds * rate))
{
}

Mixer::~Mixer() = default;

void Mixer::Play(std::shared_ptr<const Pcm> sound, bool loop) { PlayAt(std::move(sound), loop, Next()); }

Mixer::Cue::Cue() = default;
Mixer::Cue::Cue(Cue&&) noexcept = default;
Mixer::Cue& Mixer::Cue::operator=(Cue&&) noexcept = default;
Mixer::Cue::~Cue() = default;

Mixer::Cue Mixer::Ready(std::shared_ptr<const Pcm> sound, bool loop) const
{
    Cue cue;
    if (sound && sound->Frames() > 0)
        cue.voice_ = std::make_unique<Voice>(std::move(sound), loop, rate_);
    return cue;
}

// Made and freed outside the lock: Render does not wait for either.
std::uint64_t Mixer::PlayAt(std::shared_ptr<const Pcm> sound, bool loop, std::uint64_t at)
{
    at = PlayAt(Ready(std::move(sound), loop), at);
    Collect();
    return at;
}

std::uint64_t Mixer::PlayAt(Cue cue, std::uint64_t at)
{
    std::lock_guard lock(mutex_);
    const std::uint64_t held = held_.size() / 2;
    at = std::max(at, next_ > held ? next_ - held : 0);
    // Frames the output went on without: what sounds resumes after them.
    next_ = std::max(next_, at);
    // Too close to the end of what was rendered to fade there: faded live.
    if (next_ - at < fade_frames_)
        at = next_;
    bool audible = false;
    if (at < next_) {
        tail_.resize(2 * fade_frames_);
        for (std::size_t i = 0; i < fade_frames_; ++i) {
            const std::size_t slot = 2 * static_cast<std::size_t>((at + i) % held);
            tail_[2 * i] = held_[slot];
            tail_[2 * i + 1] = held_[slot + 1];
            audible = audible || tail_[2 * i] != 0.0f || tail_[2 * i + 1] != 0.0f;
        }
        tail_at_ = 0;
        if (current_)
            ended_.push_back(std::move(current_));
        for (auto& fading : fading_)
            ended_.push_back(std::move(fading));
        fading_.clear();
        next_ = at;
    } else {
        if (current_) {
            current_->FadeOut(fade_frames_);
            fading_.push_back(std::move(current_));
        }
        audible = !fading_.empty() || tail_at_ < tail_.size() / 2;
    }
    silent_frames_ = 0;
    // Crossfaded where something still sounds, so the sum steps no further
    // than either sound does; from silence the sound starts as it is.
    if (cue.voice_ && audible)
        cue.voice_->FadeIn(fade_frames_);
    current_ = std::move(cue.voice_);
    // Render moves voices here without allocating.
    ended_.reserve(ended_.size() + fading_.size() + 1);
    return at;
}

std::uint64_t Mixer::Next() const
{
    std::lock_guard lock(mutex_);
    return next_;
}

bool Mixer::Render(float* out, std::size_t frames)
{
    std::fill(out, out + 2 * frames, 0.0f);
    std::lock_guard lock(mutex_);
    const std::size_t tail_frames = tail_.size() / 2;
    const bool sounding = current_ || !fading_.empty() || tail_at_ < tail_frames;
    if (current_ && !current_->MixInto(out, frames))
        ended_.push_back(std::move(current_));
    for (auto& fading : fading_)
        if (!fading->MixInto(out, frames))
            ended_.push_back(std::move(fading));
    std::erase(fading_, nullptr);
    for (std::size_t i = 0; i < frames && tail_at_ < tail_frames; ++i, ++tail_at_) {
        const float gain = 1.0f - static_cast<float>(tail_at_) / static_cast<float>(tail_frames);
        out[2 * i] += tail_[2 * tail_at_] * gain;
        out[2 * i + 1] += tail_[2 * tail_at_ + 1] * gain;
    }
    // A resampled file may ring beyond full scale, and two in a crossfade add up.
    for (float* v = out; v != out + 2 * frames; ++v)
        *v = std::clamp(*v, -1.0f, 1.0f);
    if (const std::size_t held = held_.size() / 2; held > 0)
        for (std::size_t i = 0; i < frames; ++i) {
            const std::size_t slot = 2 * static_cast<std::size_t>((next_ + i) % held);
            held_[slot] = out[2 * i];
            held_[slot + 1] = out[2 * i + 1];
        }
    next_ += frames;
    silent_frames_ = sounding ? 0 : silent_frames_ + frames;
    return silent_frames_ < rest_after_frames_;
}

void Mixer::Collect()
{
    std::vector<std::unique_ptr<Voice>> gone;
    std::lock_guard lock(mutex_);
    gone.swap(ended_);
    ended_.reserve(fading_.size() + 1);
}

} // namespace tk::linux_sound
