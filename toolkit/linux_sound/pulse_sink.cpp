// The output through the desktop's sound server: libpulse, which PulseAudio
// and PipeWire's pipewire-pulse both serve. One playback stream at the
// sink's own rate, so the server converts nothing; the mixer resamples.
//
// Threading: libpulse's threaded main loop runs the context and the stream
// on a thread of its own, and there calls OnWrite, which renders the mixer
// into the stream. Every other call into libpulse is made by the sound worker
// with the main loop's lock held, and while holding it the worker waits only
// in pa_threaded_mainloop_wait. The destructor stops the main loop before it
// frees the stream and the context, so no callback can run during that.

#include "toolkit/linux_sound/libraries.h"
#include "toolkit/linux_sound/mixer.h"
#include "toolkit/linux_sound/sink.h"

#include <optional>
#include <vector>
#include <sys/time.h>

namespace tk::linux_sound {

namespace {

// The stream's buffer: what a press waits behind at most.
constexpr pa_usec_t kTargetLatency = 10 * PA_USEC_PER_MSEC;
// A server that has not answered by then counts as none.
constexpr long kAnswerSeconds = 3;
constexpr std::size_t kFrameBytes = 2 * sizeof(float);

class PulseSink final : public Sink {
public:
    PulseSink(const PulseLibrary& pa, double rest_after) : pa_(pa), rest_after_(rest_after) {}
    ~PulseSink() override;

    bool Open();
    bool Healthy() override;
    void Play(std::shared_ptr<const Pcm> sound, bool loop) override;

private:
    // The main loop's lock, held for as long as what this returns lives.
    auto Lock()
    {
        pa_.pa_threaded_mainloop_lock(loop_);
        return std::unique_ptr<PulseSink, void (*)(PulseSink*)>(
            this, [](PulseSink* sink) { sink->pa_.pa_threaded_mainloop_unlock(sink->loop_); });
    }
    template <typename Settled> bool Await(Settled settled);
    static void Signal(void* self);
    static void OnWrite(pa_stream* stream, std::size_t bytes, void* self);
    void Unref(pa_operation* operation) { operation != nullptr ? pa_.pa_operation_unref(operation) : void(); }

    const PulseLibrary& pa_;
    const double rest_after_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::optional<Mixer> mixer_;
    std::vector<float> buffer_; // what OnWrite renders, copied into the stream
    bool corked_ = true;
    bool late_ = false;
};

PulseSink::~PulseSink()
{
    if (loop_ == nullptr)
        return;
    pa_.pa_threaded_mainloop_stop(loop_);
    if (stream_ != nullptr) {
        pa_.pa_stream_disconnect(stream_);
        pa_.pa_stream_unref(stream_);
    }
    if (context_ != nullptr) {
        pa_.pa_context_disconnect(context_);
        pa_.pa_context_unref(context_);
    }
    pa_.pa_threaded_mainloop_free(loop_);
}

void PulseSink::Signal(void* self)
{
    auto& sink = *static_cast<PulseSink*>(self);
    sink.pa_.pa_threaded_mainloop_signal(sink.loop_, 0);
}

// Waits, lock held, until `settled` or the server is late.
template <typename Settled> bool PulseSink::Await(Settled settled)
{
    timeval at{};
    gettimeofday(&at, nullptr);
    at.tv_sec += kAnswerSeconds;
    pa_mainloop_api* api = pa_.pa_threaded_mainloop_get_api(loop_);
    late_ = false;
    pa_time_event* timer = api->time_new(
        api, &at,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
            static_cast<PulseSink*>(self)->late_ = true;
            Signal(self);
        },
        this);
    while (!settled() && !late_)
        pa_.pa_threaded_mainloop_wait(loop_);
    if (timer != nullptr)
        api->time_free(timer);
    return settled();
}

bool PulseSink::Open()
{
    loop_ = pa_.pa_threaded_mainloop_new();
    if (loop_ == nullptr)
        return false;
    // The sound settings list the program by these; libpulse adds the
    // user's PULSE_PROP settings to them as it always does.
    pa_proplist* client = pa_.pa_proplist_new();
    pa_.pa_proplist_sets(client, PA_PROP_APPLICATION_NAME, "Tarvisk");
    pa_.pa_proplist_sets(client, PA_PROP_APPLICATION_ICON_NAME, "tarvisk");
    context_ = pa_.pa_context_new_with_proplist(pa_.pa_threaded_mainloop_get_api(loop_), nullptr, client);
    pa_.pa_proplist_free(client);
    if (context_ == nullptr)
        return false;
    pa_.pa_context_set_state_callback(
        context_, [](pa_context*, void* self) { Signal(self); }, this);
    // No server is started for the program: the desktop runs one, or there is none.
    if (pa_.pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_.pa_threaded_mainloop_start(loop_) < 0)
        return false;
    const auto lock = Lock();
    const auto context_settled = [&] {
        const pa_context_state_t state = pa_.pa_context_get_state(context_);
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    };
    if (!Await(context_settled) || pa_.pa_context_get_state(context_) != PA_CONTEXT_READY)
        return false;

    // The rate is the sink's (PA_STREAM_FIX_RATE); 48 kHz only until then.
    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, 48000, 2};
    pa_proplist* media = pa_.pa_proplist_new();
    pa_.pa_proplist_sets(media, PA_PROP_MEDIA_NAME, "Reference notes");
    stream_ = pa_.pa_stream_new_with_proplist(context_, nullptr, &format, nullptr, media);
    pa_.pa_proplist_free(media);
    if (stream_ == nullptr)
        return false;
    pa_.pa_stream_set_state_callback(
        stream_, [](pa_stream*, void* self) { Signal(self); }, this);
    pa_.pa_stream_set_write_callback(stream_, &PulseSink::OnWrite, this);
    pa_buffer_attr attr{};
    attr.maxlength = attr.prebuf = attr.minreq = attr.fragsize = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(pa_.pa_usec_to_bytes(kTargetLatency, &format));
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_FIX_RATE |
                                                      PA_STREAM_START_CORKED);
    if (pa_.pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0)
        return false;
    const auto stream_settled = [&] {
        const pa_stream_state_t state = pa_.pa_stream_get_state(stream_);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    };
    if (!Await(stream_settled) || pa_.pa_stream_get_state(stream_) != PA_STREAM_READY)
        return false;
    mixer_.emplace(static_cast<int>(pa_.pa_stream_get_sample_spec(stream_)->rate), rest_after_);
    return true;
}

bool PulseSink::Healthy()
{
    const auto lock = Lock();
    return pa_.pa_context_get_state(context_) == PA_CONTEXT_READY &&
        pa_.pa_stream_get_state(stream_) == PA_STREAM_READY;
}

void PulseSink::Play(std::shared_ptr<const Pcm> sound, bool loop)
{
    const bool wake = sound != nullptr;
    mixer_->Play(std::move(sound), loop);
    if (!wake)
        return;
    const auto lock = Lock();
    if (corked_) {
        // What the stream held while it rested is silence: the new sound
        // need not wait behind it.
        Unref(pa_.pa_stream_flush(stream_, nullptr, nullptr));
        Unref(pa_.pa_stream_cork(stream_, 0, nullptr, nullptr));
        corked_ = false;
    }
}

// On the main loop's thread, its lock held.
void PulseSink::OnWrite(pa_stream* stream, std::size_t bytes, void* self)
{
    auto& sink = *static_cast<PulseSink*>(self);
    const std::size_t frames = bytes / kFrameBytes;
    sink.buffer_.assign(2 * frames, 0.0f);
    const bool keep = !sink.mixer_ || sink.mixer_->Render(sink.buffer_.data(), frames);
    sink.pa_.pa_stream_write(stream, sink.buffer_.data(), frames * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE);
    if (!keep && !sink.corked_) {
        sink.Unref(sink.pa_.pa_stream_cork(stream, 1, nullptr, nullptr));
        sink.corked_ = true;
    }
}

} // namespace

std::unique_ptr<Sink> OpenPulseSink(double rest_after_seconds)
{
    const PulseLibrary* pa = LoadPulse();
    if (pa == nullptr)
        return nullptr;
    auto sink = std::make_unique<PulseSink>(*pa, rest_after_seconds);
    if (!sink->Open())
        return nullptr;
    return sink;
}

} // namespace tk::linux_sound
