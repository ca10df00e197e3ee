#pragma once
// What the sound output calls of libsamplerate, libpulse and ALSA, each
// opened at run time (runtime_library.h).

#include "toolkit/linux/runtime_library.h"

#include <alsa/asoundlib.h>
#include <pulse/pulseaudio.h>
#include <samplerate.h>

// clang-format off
#define TARVISK_SAMPLERATE(X) X(src_callback_new) X(src_callback_read) X(src_delete)
#define TARVISK_PULSE(X)                                                                                     \
    X(pa_threaded_mainloop_new) X(pa_threaded_mainloop_free) X(pa_threaded_mainloop_start)                   \
    X(pa_threaded_mainloop_stop) X(pa_threaded_mainloop_lock) X(pa_threaded_mainloop_unlock)                 \
    X(pa_threaded_mainloop_wait) X(pa_threaded_mainloop_signal) X(pa_threaded_mainloop_get_api)              \
    X(pa_proplist_new) X(pa_proplist_free) X(pa_proplist_sets) X(pa_context_new_with_proplist)               \
    X(pa_context_unref) X(pa_context_connect) X(pa_context_disconnect) X(pa_context_get_state)               \
    X(pa_context_set_state_callback) X(pa_stream_new_with_proplist) X(pa_stream_unref)                       \
    X(pa_stream_connect_playback) X(pa_stream_disconnect) X(pa_stream_get_state)                             \
    X(pa_stream_set_state_callback) X(pa_stream_set_write_callback)                                          \
    X(pa_stream_write) X(pa_stream_cork) X(pa_stream_get_sample_spec) X(pa_stream_set_underflow_callback)    \
    X(pa_stream_update_timing_info) X(pa_stream_get_timing_info) X(pa_stream_set_buffer_attr)                \
    X(pa_stream_get_buffer_attr) X(pa_stream_writable_size) X(pa_operation_get_state)                        \
    X(pa_operation_unref) X(pa_usec_to_bytes) X(pa_context_get_server_info)
#define TARVISK_ALSA(X)                                                                                      \
    X(snd_lib_error_set_handler) X(snd_pcm_open) X(snd_pcm_close) X(snd_pcm_set_params)                      \
    X(snd_pcm_get_params) X(snd_pcm_writei) X(snd_pcm_recover) X(snd_pcm_avail_update)                      \
    X(snd_pcm_rewindable) X(snd_pcm_rewind) X(snd_pcm_poll_descriptors_count) X(snd_pcm_poll_descriptors)
// clang-format on

namespace tk::linux_sound {

struct SamplerateLibrary {
    TARVISK_SAMPLERATE(TARVISK_MEMBER)
};
struct PulseLibrary {
    TARVISK_PULSE(TARVISK_MEMBER)
};
struct AlsaLibrary {
    TARVISK_ALSA(TARVISK_MEMBER)
};

const SamplerateLibrary* LoadSamplerate();
const PulseLibrary* LoadPulse();
const AlsaLibrary* LoadAlsa();

} // namespace tk::linux_sound
