#pragma once
// The name the sound settings show for the tuner's stream.
//
// OpenAL Soft 1.19 gives PulseAudio no way to name its stream: it is always
// "Playback Stream", sent with media.role and phonon.streamid set to empty
// values, which pipewire-pulse 0.3.65 misreads as each other's names. The
// backend reaches libpulse through a table of pointers it fills with dlsym;
// the one to pa_stream_new_with_proplist is pointed at a function that names
// the stream and drops the empty values, then calls libpulse's own.

namespace tk::openal {

inline constexpr char kStreamName[] = "Reference notes";

// For the streams OpenAL Soft creates from now on, where its PulseAudio
// backend is loaded; otherwise, or where its table is not found as expected,
// nothing changes. ANY_OPENAL_FUNCTION tells which loaded library is OpenAL
// Soft. Call on the thread that opens and resets devices.
void NameOpenAlStreams(const void* any_openal_function);

} // namespace tk::openal
