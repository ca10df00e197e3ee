// The note decoder as the sound output runs it, with the output's limits:
// any bytes end in a decode within the limits or in a refusal.

#include "toolkit/sndfile/wav_decoder.h"

#include <cstdint>
#include <cstdlib>

using tk::sndfile::DecodeStatus;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const tk::sndfile::DecodeLimits limits;
    tk::sndfile::Pcm pcm;
    const DecodeStatus status = tk::sndfile::DecodeBytes({data, size}, pcm, limits);
    if (status == DecodeStatus::Ok) {
        const double seconds = static_cast<double>(pcm.Frames()) / pcm.rate;
        if (pcm.rate < limits.min_rate || pcm.rate > limits.max_rate || pcm.samples.empty() ||
            (pcm.channels != 1 && pcm.channels != 2) || pcm.samples.size() % static_cast<std::size_t>(pcm.channels) != 0 ||
            seconds > limits.max_seconds || pcm.Bytes() > limits.max_bytes)
            std::abort();
    } else if (status != DecodeStatus::Unreadable && status != DecodeStatus::Empty &&
               status != DecodeStatus::TooLong) {
        std::abort(); // bytes in memory are never missing, a folder or cancelled
    }
    return 0;
}
