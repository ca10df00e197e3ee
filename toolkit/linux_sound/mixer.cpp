#include "toolkit/linux_sound/mixer.h"

#include "toolkit/linux_sound/libraries.h"

#include <algorithm>

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
        if (src_ != nullptr)
            resampler_ = src_->src_callback_new(&Voice::Feed, SRC_SINC_MEDIUM_QUALITY, 2, &error, this);
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

Mixer::Mixer(int rate, double rest_after_seconds)
    : rate_(rate), fade_frames_(std::max<std::size_t>(1, static_cast<std::size_t>(kFadeSeconds * rate))),
      rest_after_frames_(static_cast<std::uint64_t>(rest_after_seconds * rate))
{
}

Mixer::~Mixer() = default;

void Mixer::Play(std::shared_ptr<const Pcm> sound, bool loop)
{
    // Made outside the lock: Render does not wait for it.
    auto voice =
        sound && sound->Frames() > 0 ? std::make_unique<Voice>(std::move(sound), loop, rate_) : nullptr;
    std::lock_guard lock(mutex_);
    if (current_) {
        current_->FadeOut(fade_frames_);
        fading_.push_back(std::move(current_));
    }
    // Crossfaded where something still sounds, so the sum steps no further
    // than either sound does; from silence the sound starts as it is.
    if (voice && !fading_.empty())
        voice->FadeIn(fade_frames_);
    current_ = std::move(voice);
}

bool Mixer::Render(float* out, std::size_t frames)
{
    std::fill(out, out + 2 * frames, 0.0f);
    std::lock_guard lock(mutex_);
    const bool sounding = current_ || !fading_.empty();
    if (current_ && !current_->MixInto(out, frames))
        current_.reset();
    std::erase_if(fading_, [&](const auto& voice) { return !voice->MixInto(out, frames); });
    // A resampled file may ring beyond full scale, and two in a crossfade add up.
    for (float* v = out; v != out + 2 * frames; ++v)
        *v = std::clamp(*v, -1.0f, 1.0f);
    silent_frames_ = sounding ? 0 : silent_frames_ + frames;
    return silent_frames_ < rest_after_frames_;
}

} // namespace tk::linux_sound
