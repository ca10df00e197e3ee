// The anchor of the press-to-sound benchmark: a minimal Qt window that plays
// through one libpulse stream, on a threaded main loop, with a 10 ms target
// length that the server adjusts its latency to. The stream opens at the
// notes' own rate, so the server resamples them, and runs from the start,
// silent between notes: a left press loops a note from the next frames the
// server asks for, a right press stops it. Given a second note, left presses
// take turns: the second sounds in place of the first, as a player does when
// one note replaces another.
//
// Usage: tarvisk_bare_player NOTE.wav [OTHER.wav]

#include "tools/tunes/wav_io.h"

#include <pulse/pulseaudio.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

// What the stream plays; the main loop's thread reads it under its lock.
struct Voice {
    std::vector<std::vector<float>> notes;
    const std::vector<float>* playing = nullptr;
    std::size_t at = 0;
};

// Writes all the server asks for: a buffer it lends may be smaller.
void Fill(pa_stream* stream, std::size_t wanted, void* data)
{
    auto& voice = *static_cast<Voice*>(data);
    while (wanted >= sizeof(float)) {
        void* buffer = nullptr;
        std::size_t bytes = wanted;
        if (pa_stream_begin_write(stream, &buffer, &bytes) < 0 || bytes < sizeof(float))
            return;
        auto* out = static_cast<float*>(buffer);
        const std::size_t frames = bytes / sizeof(float);
        for (std::size_t i = 0; i < frames; ++i) {
            if (voice.playing == nullptr) {
                out[i] = 0.0f;
                continue;
            }
            out[i] = (*voice.playing)[voice.at];
            voice.at = (voice.at + 1) % voice.playing->size();
        }
        pa_stream_write(stream, buffer, frames * sizeof(float), nullptr, 0, PA_SEEK_RELATIVE);
        wanted -= frames * sizeof(float);
    }
}

void Signal(pa_threaded_mainloop* loop) { pa_threaded_mainloop_signal(loop, 0); }

class Player : public QWidget {
public:
    Player(pa_threaded_mainloop* loop, Voice& voice) : loop_(loop), voice_(voice) {}

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        pa_threaded_mainloop_lock(loop_);
        voice_.playing =
            event->button() == Qt::LeftButton ? &voice_.notes[presses_++ % voice_.notes.size()] : nullptr;
        voice_.at = 0;
        pa_threaded_mainloop_unlock(loop_);
    }

private:
    pa_threaded_mainloop* loop_;
    Voice& voice_;
    std::size_t presses_ = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s NOTE.wav [OTHER.wav]\n", argv[0]);
        return 2;
    }
    Voice voice;
    int rate = 0;
    for (int i = 1; i < argc; ++i) {
        std::string error;
        auto wav = tarvisk::tunes::ReadWav(argv[i], error);
        if (!wav || wav->mono.empty() || (rate != 0 && wav->rate != rate)) {
            std::fprintf(stderr, "%s: %s\n", argv[i],
                         wav ? "empty, or not at the first note's rate" : error.c_str());
            return 1;
        }
        rate = wav->rate;
        voice.notes.push_back(std::move(wav->mono));
    }

    pa_threaded_mainloop* loop = pa_threaded_mainloop_new();
    pa_context* context = pa_context_new(pa_threaded_mainloop_get_api(loop), "Bare player");
    pa_context_set_state_callback(
        context, [](pa_context*, void* l) { Signal(static_cast<pa_threaded_mainloop*>(l)); }, loop);
    pa_threaded_mainloop_lock(loop);
    pa_threaded_mainloop_start(loop);
    bool ready = pa_context_connect(context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) >= 0;
    while (ready && pa_context_get_state(context) != PA_CONTEXT_READY) {
        ready = PA_CONTEXT_IS_GOOD(pa_context_get_state(context));
        if (ready)
            pa_threaded_mainloop_wait(loop);
    }
    pa_stream* stream = nullptr;
    if (ready) {
        const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(rate), 1};
        stream = pa_stream_new(context, "Bare player", &format, nullptr);
        pa_stream_set_state_callback(
            stream, [](pa_stream*, void* l) { Signal(static_cast<pa_threaded_mainloop*>(l)); }, loop);
        pa_stream_set_write_callback(stream, Fill, &voice);
        const auto unset = static_cast<std::uint32_t>(-1);
        const pa_buffer_attr buffering{unset, static_cast<std::uint32_t>(pa_usec_to_bytes(10000, &format)),
                                       unset, unset, unset};
        ready = pa_stream_connect_playback(stream, nullptr, &buffering, PA_STREAM_ADJUST_LATENCY, nullptr,
                                           nullptr) >= 0;
        while (ready && pa_stream_get_state(stream) != PA_STREAM_READY) {
            ready = PA_STREAM_IS_GOOD(pa_stream_get_state(stream));
            if (ready)
                pa_threaded_mainloop_wait(loop);
        }
    }
    pa_threaded_mainloop_unlock(loop);
    if (!ready) {
        std::fprintf(stderr, "no sound server: %s\n", pa_strerror(pa_context_errno(context)));
        return 1;
    }

    QApplication app(argc, argv);
    Player window(loop, voice);
    window.setWindowTitle("Bare player");
    window.setFixedSize(384, 550);
    window.show();
    const int result = QApplication::exec();
    pa_threaded_mainloop_lock(loop);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    pa_context_disconnect(context);
    pa_context_unref(context);
    pa_threaded_mainloop_unlock(loop);
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
    return result;
}
