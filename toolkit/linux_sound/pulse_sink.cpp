// The output through the desktop's sound server: libpulse, which PulseAudio
// and PipeWire's pipewire-pulse both serve. One playback stream at the
// sink's own rate, so the server converts nothing; the mixer resamples.
//
// The stream holds two seconds written ahead, so a player that is not run
// for a while on a busy machine leaves no gap. A request does not wait
// behind them: it asks where the server reads now and writes its sound from
// a few milliseconds past that (PA_SEEK_ABSOLUTE), over what was written
// there; the mixer fades from exactly what those frames held. Early
// requests keep the server's own share of the latency at a request's size.
//
// Threading: libpulse's threaded main loop runs the context and the stream
// on a thread of its own, and there calls OnWrite, which renders the mixer
// into the stream, and OnAnswer, which starts a request's sound as soon as
// the server has said where it reads: the write then follows the answer
// with no other thread to wake in between. Every other call into libpulse
// is made by the sound worker with the main loop's lock held, and while
// holding it the worker waits only in pa_threaded_mainloop_wait, never
// longer than kAnswerSeconds. The destructor stops the main loop before it
// frees the stream and the context, so no callback can run during that.

#include "toolkit/linux_sound/libraries.h"
#include "toolkit/linux_sound/mixer.h"
#include "toolkit/linux_sound/sink.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>
#include <sys/time.h>

namespace tk::linux_sound {

namespace {

// What the stream holds ahead of the server.
constexpr double kAheadSeconds = 2.0;
// What the server asks for at a time; with early requests also what the
// sink holds of the stream's frames.
constexpr double kRequestSeconds = 0.005;
// PipeWire runs its whole graph at the least request of any stream, and on
// a busy machine a graph cycling every 5 ms misses cycles whatever its
// clients hold ahead; PulseAudio plays from what it holds. So on PipeWire
// the request is near its own default, 20 ms: the most frames up to that
// which are a power of two, as the graph would round it. A cycle then
// never reads more than a request, however the graph rounds.
constexpr double kGraphRequestSeconds = 0.02;
// On PulseAudio, between what the sink may have read and a new sound's
// first frame: time for the write, sent as the server's answer comes, to
// reach the server on a busy machine, since the sink reads its next block
// as soon as the last has played. On PipeWire none: the graph reads a
// request past its read index no sooner than a request's time after the
// answer, and the write has all that.
constexpr double kMarginSeconds = 0.004;
// What a server's graph may hold beyond the latency it reports.
constexpr double kGraphSeconds = 0.05;
// Rendered at a time: on a request one at once, then more up to the head
// start, the rest as the server asks.
constexpr double kChunkSeconds = 0.02;
constexpr double kHeadSeconds = 0.3;
constexpr std::size_t kFrameBytes = 2 * sizeof(float);

class PulseSink final : public Sink {
public:
    PulseSink(const PulseLibrary& pa, double rest_after) : pa_(pa), rest_after_(rest_after) {}
    ~PulseSink() override;

    bool Open();
    bool Healthy() override;
    void Play(std::shared_ptr<const Pcm> sound, bool loop) override;
    void Close() override;
    void Watch(std::function<void()> lost) override;
    std::string Describe() override;

private:
    // The main loop's lock, held for as long as what this returns lives.
    auto Lock()
    {
        pa_.pa_threaded_mainloop_lock(loop_);
        return std::unique_ptr<PulseSink, void (*)(PulseSink*)>(
            this, [](PulseSink* sink) { sink->pa_.pa_threaded_mainloop_unlock(sink->loop_); });
    }
    template <typename Settled> bool Await(Settled settled, double seconds);
    bool AskServer();
    bool AwaitOperation(pa_operation* operation);
    pa_buffer_attr Wanted(const pa_sample_spec& format) const;
    std::optional<double> Where(pa_usec_t* sink_usec);
    void Start(bool answered);
    std::uint64_t Past(double read, pa_usec_t sink_usec) const;
    double RequestFrames() const { return static_cast<double>(granted_.minreq / kFrameBytes); }
    // How far past what is heard a new sound starts while another plays.
    double Lead() const
    {
        return RequestFrames() / mixer_->Rate() + (graph_ ? 0.0 : kMarginSeconds);
    }
    void Fill(std::size_t bytes);
    void Lost();
    static void Signal(void* self);
    static void Done(pa_stream*, int, void* self) { Signal(self); }
    static void OnState(void* self);
    static void OnWrite(pa_stream* stream, std::size_t bytes, void* self);
    static void OnAnswer(pa_stream* stream, int success, void* self);
    void Unref(pa_operation* operation) { operation != nullptr ? pa_.pa_operation_unref(operation) : void(); }

    const PulseLibrary& pa_;
    const double rest_after_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_defer_event* refill_ = nullptr; // renders on where a request was more than a chunk
    std::optional<Mixer> mixer_;
    std::optional<Mixer::Cue> asked_; // what the server's next answer starts
    std::vector<float> buffer_; // what Fill renders, copied into the stream
    pa_buffer_attr granted_{};
    std::size_t chunk_bytes_ = 0;
    std::size_t head_bytes_ = 0;
    bool graph_ = false; // the server is PipeWire
    std::uint64_t written_ = 0; // the frame after the last written
    // The server's number for a frame less the mixer's: pipewire-pulse may
    // move its write index past a frame it played late.
    std::int64_t shift_ = 0;
    bool corked_ = true;
    bool late_ = false;
    bool failed_ = false; // the server did not answer in time
    std::function<void()> lost_;
    bool told_ = false;
};

PulseSink::~PulseSink()
{
    if (loop_ == nullptr)
        return;
    pa_.pa_threaded_mainloop_stop(loop_);
    if (refill_ != nullptr)
        pa_.pa_threaded_mainloop_get_api(loop_)->defer_free(refill_);
    // Disconnecting tells the state callbacks, which must not look at what
    // is being freed nor report the loss of an output let go on purpose.
    if (stream_ != nullptr) {
        pa_.pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_.pa_stream_disconnect(stream_);
        pa_.pa_stream_unref(stream_);
    }
    if (context_ != nullptr) {
        pa_.pa_context_set_state_callback(context_, nullptr, nullptr);
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

// On the main loop's thread, its lock held.
void PulseSink::OnState(void* self)
{
    auto& sink = *static_cast<PulseSink*>(self);
    Signal(self);
    const bool context_bad =
        sink.context_ != nullptr && !PA_CONTEXT_IS_GOOD(sink.pa_.pa_context_get_state(sink.context_));
    const bool stream_bad =
        sink.stream_ != nullptr && !PA_STREAM_IS_GOOD(sink.pa_.pa_stream_get_state(sink.stream_));
    if (context_bad || stream_bad)
        sink.Lost();
}

// Lock held. Once, to whoever watches.
void PulseSink::Lost()
{
    if (told_ || !lost_)
        return;
    told_ = true;
    lost_();
}

void PulseSink::Watch(std::function<void()> lost)
{
    const auto lock = Lock();
    lost_ = std::move(lost);
    if (!Healthy())
        Lost();
}

// Waits, lock held, until `settled` or `seconds` have passed.
template <typename Settled> bool PulseSink::Await(Settled settled, double seconds)
{
    timeval at{};
    gettimeofday(&at, nullptr);
    const auto usec = static_cast<long>(seconds * 1e6) + at.tv_usec;
    at.tv_sec += usec / 1000000;
    at.tv_usec = usec % 1000000;
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

// Lock held. A server that does not answer counts as gone.
bool PulseSink::AwaitOperation(pa_operation* operation)
{
    if (operation == nullptr)
        return false;
    const bool done =
        Await([&] { return pa_.pa_operation_get_state(operation) != PA_OPERATION_RUNNING; }, kAnswerSeconds);
    pa_.pa_operation_unref(operation);
    if (!done) {
        failed_ = true;
        Lost();
    }
    return done;
}

// Lock held. Which server this is decides the request (kGraphRequestSeconds).
bool PulseSink::AskServer()
{
    const auto answer = [](pa_context*, const pa_server_info* info, void* self) {
        auto& sink = *static_cast<PulseSink*>(self);
        if (info != nullptr && info->server_name != nullptr &&
            std::strstr(info->server_name, "PipeWire") != nullptr)
            sink.graph_ = true;
        Signal(self);
    };
    return AwaitOperation(pa_.pa_context_get_server_info(context_, answer, this));
}

pa_buffer_attr PulseSink::Wanted(const pa_sample_spec& format) const
{
    const auto bytes = [&](double seconds) {
        return static_cast<std::uint32_t>(
            pa_.pa_usec_to_bytes(static_cast<pa_usec_t>(seconds * 1e6), &format));
    };
    pa_buffer_attr attr{};
    attr.maxlength = bytes(kAheadSeconds + kHeadSeconds);
    attr.tlength = bytes(kAheadSeconds);
    // Played from the first frame, however few: a request is heard at once.
    attr.prebuf = 0;
    attr.minreq = graph_ ? static_cast<std::uint32_t>(
                               std::bit_floor(static_cast<std::uint32_t>(kGraphRequestSeconds * format.rate)) *
                               kFrameBytes)
                         : bytes(kRequestSeconds);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    return attr;
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
        context_, [](pa_context*, void* self) { OnState(self); }, this);
    // No server is started for the program: the desktop runs one, or there is none.
    if (pa_.pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_.pa_threaded_mainloop_start(loop_) < 0)
        return false;
    const auto lock = Lock();
    const auto context_settled = [&] {
        const pa_context_state_t state = pa_.pa_context_get_state(context_);
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    };
    if (!Await(context_settled, kAnswerSeconds) || pa_.pa_context_get_state(context_) != PA_CONTEXT_READY ||
        !AskServer())
        return false;

    // The rate is the sink's (PA_STREAM_FIX_RATE); 48 kHz only until then.
    pa_sample_spec format{PA_SAMPLE_FLOAT32NE, 48000, 2};
    pa_proplist* media = pa_.pa_proplist_new();
    pa_.pa_proplist_sets(media, PA_PROP_MEDIA_NAME, "Reference notes");
    stream_ = pa_.pa_stream_new_with_proplist(context_, nullptr, &format, nullptr, media);
    pa_.pa_proplist_free(media);
    if (stream_ == nullptr)
        return false;
    pa_.pa_stream_set_state_callback(
        stream_, [](pa_stream*, void* self) { OnState(self); }, this);
    pa_.pa_stream_set_write_callback(stream_, &PulseSink::OnWrite, this);
    pa_.pa_stream_set_underflow_callback(
        stream_,
        [](pa_stream*, void*) {
            if (Verbose())
                std::fputs("tarvisk: the sound server ran out of frames to play\n", stderr);
        },
        nullptr);
    pa_buffer_attr attr = Wanted(format);
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_FIX_RATE | PA_STREAM_START_CORKED |
                                                      PA_STREAM_EARLY_REQUESTS);
    if (pa_.pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0)
        return false;
    const auto stream_settled = [&] {
        const pa_stream_state_t state = pa_.pa_stream_get_state(stream_);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    };
    if (!Await(stream_settled, kAnswerSeconds) || pa_.pa_stream_get_state(stream_) != PA_STREAM_READY)
        return false;
    // The buffer in time at the rate the stream was given.
    format.rate = pa_.pa_stream_get_sample_spec(stream_)->rate;
    attr = Wanted(format);
    if (!AwaitOperation(pa_.pa_stream_set_buffer_attr(stream_, &attr, &PulseSink::Done, this)))
        return false;
    granted_ = *pa_.pa_stream_get_buffer_attr(stream_);
    // What the server holds may pass its maxlength by what the sink took
    // of it; the mixer keeps well over both.
    const double held = 1.5 * static_cast<double>(granted_.maxlength) / kFrameBytes / format.rate + 0.5;
    mixer_.emplace(static_cast<int>(format.rate), rest_after_ + held, held);
    chunk_bytes_ = static_cast<std::size_t>(kChunkSeconds * format.rate) * kFrameBytes;
    head_bytes_ = static_cast<std::size_t>(kHeadSeconds * format.rate) * kFrameBytes;
    pa_mainloop_api* api = pa_.pa_threaded_mainloop_get_api(loop_);
    refill_ = api->defer_new(
        api,
        [](pa_mainloop_api*, pa_defer_event*, void* self) {
            auto& sink = *static_cast<PulseSink*>(self);
            if (!sink.corked_)
                sink.Fill(sink.pa_.pa_stream_writable_size(sink.stream_));
        },
        this);
    if (refill_ == nullptr)
        return false;
    api->defer_enable(refill_, 0);
    return true;
}

std::string PulseSink::Describe()
{
    const auto lock = Lock();
    const pa_sample_spec& format = *pa_.pa_stream_get_sample_spec(stream_);
    const auto ms = [&](std::uint32_t bytes) { return bytes / kFrameBytes * 1000.0 / format.rate; };
    char line[200];
    std::snprintf(line, sizeof line,
                  "sound server stream at %u Hz: tlength %.1f ms, minreq %.1f ms, prebuf %.1f ms, "
                  "maxlength %.1f ms",
                  format.rate, ms(granted_.tlength), ms(granted_.minreq), ms(granted_.prebuf),
                  ms(granted_.maxlength));
    return line;
}

bool PulseSink::Healthy()
{
    const auto lock = Lock();
    return !failed_ && pa_.pa_context_get_state(context_) == PA_CONTEXT_READY &&
        pa_.pa_stream_get_state(stream_) == PA_STREAM_READY;
}

// Lock held. The frame the server reads now, in the mixer's numbers, from
// its last answer; the sink's latency beside it.
std::optional<double> PulseSink::Where(pa_usec_t* sink_usec)
{
    const pa_timing_info* timing = pa_.pa_stream_get_timing_info(stream_);
    if (timing == nullptr || timing->read_index_corrupt)
        return std::nullopt;
    const double rate = mixer_->Rate();
    if (!timing->write_index_corrupt)
        shift_ = timing->write_index / static_cast<std::int64_t>(kFrameBytes) -
            static_cast<std::int64_t>(written_);
    double frame = static_cast<double>(timing->read_index) / kFrameBytes - static_cast<double>(shift_);
    if (timing->playing && !corked_) {
        timeval now{};
        gettimeofday(&now, nullptr);
        const double since = static_cast<double>(now.tv_sec - timing->timestamp.tv_sec) +
            static_cast<double>(now.tv_usec - timing->timestamp.tv_usec) * 1e-6;
        frame += std::max(0.0, since) * rate;
    }
    *sink_usec = timing->sink_usec;
    return std::max(0.0, frame);
}

// Lock held. Starts what was asked a little past where the server reads, or
// where it stands while corked; without an answer, from the mixer's next frame.
void PulseSink::Start(bool answered)
{
    std::uint64_t at = mixer_->Next();
    pa_usec_t sink_usec = 0;
    if (const auto read = answered ? Where(&sink_usec) : std::nullopt)
        at = corked_ ? static_cast<std::uint64_t>(*read) : Past(*read, sink_usec);
    mixer_->PlayAt(std::move(*asked_), at);
    asked_.reset();
    Fill(chunk_bytes_);
    if (corked_) {
        Unref(pa_.pa_stream_cork(stream_, 0, nullptr, nullptr));
        corked_ = false;
    }
}

// On the main loop's thread, its lock held.
void PulseSink::OnAnswer(pa_stream*, int success, void* self)
{
    auto& sink = *static_cast<PulseSink*>(self);
    if (sink.asked_)
        sink.Start(success != 0);
    Signal(self);
}

// The first frame a write can still reach while the stream plays. The sink
// reads up to a request's worth ahead of what it plays (on PipeWire, a cycle
// of the graph reads its quantum at once), and what it has read is heard as
// it was.
std::uint64_t PulseSink::Past(double read, pa_usec_t sink_usec) const
{
    const double heard = read - static_cast<double>(sink_usec) * 1e-6 * mixer_->Rate();
    return static_cast<std::uint64_t>(std::max(read, heard + Lead() * mixer_->Rate()));
}

void PulseSink::Play(std::shared_ptr<const Pcm> sound, bool loop)
{
    if (!mixer_)
        return;
    Mixer::Cue cue = mixer_->Ready(std::move(sound), loop);
    const auto lock = Lock();
    if (failed_)
        return;
    if (corked_ && !cue) {
        mixer_->Play(nullptr, false);
        return;
    }
    asked_ = std::move(cue);
    AwaitOperation(pa_.pa_stream_update_timing_info(stream_, &PulseSink::OnAnswer, this));
    if (asked_)
        Start(false);
    // What the sound replaced is freed here, not on the main loop's thread,
    // and a head start behind the first chunk keeps the server supplied
    // while that thread may not be run (rendered there a chunk a turn, it
    // cost gaps in the notes on PipeWire).
    mixer_->Collect();
    for (std::size_t done = chunk_bytes_; done < head_bytes_ && !corked_ && !failed_; done += chunk_bytes_)
        Fill(chunk_bytes_);
}

void PulseSink::Close()
{
    {
        const auto lock = Lock();
        if (!mixer_ || failed_ || corked_)
            return;
    }
    Play(nullptr, false);
    // Until the fade has been heard; the server's clock is not asked again.
    // PipeWire's graph holds a period or two past what it reports.
    const auto lock = Lock();
    const double seconds = Lead() + RequestFrames() / mixer_->Rate() + kFadeSeconds + kGraphSeconds;
    if (!failed_)
        Await([] { return false; }, std::min(seconds, kAnswerSeconds));
}

// Lock held: renders up to a chunk from the mixer's next frame on, and more
// on the main loop's next turn while the server wants it, so that a request
// never waits behind two seconds of rendering.
void PulseSink::Fill(std::size_t bytes)
{
    pa_.pa_threaded_mainloop_get_api(loop_)->defer_enable(refill_, 0);
    const std::size_t frames = std::min(bytes, chunk_bytes_) / kFrameBytes;
    if (frames == 0)
        return;
    buffer_.resize(2 * frames);
    const std::uint64_t at = mixer_->Next();
    const bool keep = mixer_->Render(buffer_.data(), frames);
    // Only a new sound seeks; what follows on is written where the server
    // has its own write index, whatever it did about a late frame.
    if (at == written_)
        pa_.pa_stream_write(stream_, buffer_.data(), frames * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE);
    else
        pa_.pa_stream_write(stream_, buffer_.data(), frames * kFrameBytes, nullptr,
                            (static_cast<std::int64_t>(at) + shift_) * static_cast<std::int64_t>(kFrameBytes),
                            PA_SEEK_ABSOLUTE);
    written_ = at + frames;
    if (!keep && !corked_) {
        Unref(pa_.pa_stream_cork(stream_, 1, nullptr, nullptr));
        corked_ = true;
        return;
    }
    if (pa_.pa_stream_writable_size(stream_) > 0)
        pa_.pa_threaded_mainloop_get_api(loop_)->defer_enable(refill_, 1);
}

// On the main loop's thread, its lock held.
void PulseSink::OnWrite(pa_stream*, std::size_t bytes, void* self)
{
    auto& sink = *static_cast<PulseSink*>(self);
    if (sink.mixer_ && !sink.corked_)
        sink.Fill(bytes);
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
