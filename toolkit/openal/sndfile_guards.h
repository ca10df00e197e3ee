#pragma once
// What is kept away from libsndfile 1.2.0, found by fuzzing it. The note
// decoder and the library tool both refuse it, so the tool calls a note
// unreadable exactly when the program cannot play it.

#include <cstddef>
#include <cstring>
#include <sndfile.h>
#include <span>

namespace tk::openal {

// Notes are WAV files, and only a RIFF WAVE container reaches libsndfile:
// its other formats fail on broken files (a leak in every Ogg stream with
// bad Vorbis headers, overflows in SDS and ALAC and in the sizes of an RF64
// header), and the Windows sound call plays RIFF WAVE only too. Told by the
// first 12 bytes.
inline bool IsWaveContainer(std::span<const unsigned char> head)
{
    const auto is = [&](std::size_t at, const char* tag) {
        return head.size() >= at + 4 && std::memcmp(head.data() + at, tag, 4) == 0;
    };
    return (is(0, "RIFF") || is(0, "RIFX")) && is(8, "WAVE");
}

// How much of the file's start IsRefusedHeader looks at.
inline constexpr std::size_t kHeaderBytes = 4096;

// A RIFF WAVE container whose fmt chunk does not say MPEG Layer III (tag
// 0x55): libsndfile reads that chunk's 16-bit ID as 32 bits, a misaligned
// store into the next field (found by fuzzing). Any "fmt " in the first
// kHeaderBytes counts, wherever libsndfile's chunk walk would find it.
inline bool IsRefusedHeader(std::span<const unsigned char> head)
{
    if (!IsWaveContainer(head))
        return true;
    for (std::size_t i = 12; i + 10 <= head.size() && i < kHeaderBytes; ++i) {
        const unsigned char* tag = head.data() + i + 8;
        if (std::memcmp(head.data() + i, "fmt ", 4) == 0 &&
            ((tag[0] == 0x55 && tag[1] == 0) || (tag[0] == 0 && tag[1] == 0x55)))
            return true;
    }
    return false;
}

// Asked once the file is open, before anything is read: a WAV format, and
// not NMS ADPCM, whose decoder writes past its block on a file cut short.
inline bool IsRefusedFormat(int sf_format)
{
    const int major = sf_format & SF_FORMAT_TYPEMASK;
    const int subtype = sf_format & SF_FORMAT_SUBMASK;
    return (major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX) || subtype == SF_FORMAT_NMS_ADPCM_16 ||
        subtype == SF_FORMAT_NMS_ADPCM_24 || subtype == SF_FORMAT_NMS_ADPCM_32;
}

} // namespace tk::openal
