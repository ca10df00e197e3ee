#include "tools/tunes/wav_io.h"

#include "toolkit/sndfile/sndfile_guard.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sndfile.h>
#include <system_error>

namespace tarvisk::tunes {

namespace {

std::string FormatInfoName(int format)
{
    SF_FORMAT_INFO info{};
    info.format = format;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof(info)) != 0 || info.name == nullptr)
        return "unknown";
    return info.name;
}

// One full scale both ways, as libsndfile reads 16-bit PCM back (1/32768),
// so writing what AsWritten gives changes nothing.
std::int16_t ToPcm16(float v)
{
    return static_cast<std::int16_t>(std::clamp(std::lrint(static_cast<double>(v) * 32768.0), -32768L, 32767L));
}

} // namespace

std::vector<float> AsWritten(std::span<const float> mono)
{
    std::vector<float> out(mono.size());
    std::transform(mono.begin(), mono.end(), out.begin(),
                   [](float v) { return static_cast<float>(ToPcm16(v)) / 32768.0f; });
    return out;
}

bool WriteWav(const std::string& path, std::span<const float> mono, int rate, std::string& error)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    tk::sndfile::SndFilePtr file(sf_open(path.c_str(), SFM_WRITE, &info),
                                tk::sndfile::SndFileCloser{&tk::sndfile::LinkedSndfile()});
    if (!file) {
        error = sf_strerror(nullptr);
        return false;
    }
    std::vector<std::int16_t> pcm(mono.size());
    std::transform(mono.begin(), mono.end(), pcm.begin(), ToPcm16);
    const auto frames = static_cast<sf_count_t>(pcm.size());
    if (sf_writef_short(file.get(), pcm.data(), frames) != frames) {
        error = sf_strerror(file.get());
        return false;
    }
    return true;
}

std::optional<WavData> ReadWav(const std::string& path, std::string& error, double max_seconds)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = std::filesystem::exists(path, ec) ? "not a file" : "missing";
        return std::nullopt;
    }
    // Opened as the program opens its notes: what it refuses is unreadable.
    // O_NONBLOCK: a FIFO put there since the check must not hang the open.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    auto note = tk::sndfile::OpenNote(tk::sndfile::LinkedSndfile(), fd, error);
    if (!note)
        return std::nullopt;
    const SF_INFO& info = note->info;
    WavData data;
    data.rate = info.samplerate;
    data.channels = info.channels;
    data.format = FormatInfoName(info.format & SF_FORMAT_TYPEMASK) + ", " +
        FormatInfoName(info.format & SF_FORMAT_SUBMASK);
    const auto limit = static_cast<std::int64_t>(max_seconds * info.samplerate);
    const auto channels = static_cast<std::size_t>(info.channels);
    std::vector<float> chunk(8192 * channels);
    for (;;) {
        const sf_count_t got = sf_readf_float(note->file.get(), chunk.data(), 8192);
        if (got <= 0)
            break;
        if (data.frames + got > limit) {
            error = "longer than " + std::to_string(static_cast<int>(max_seconds)) + " s";
            return std::nullopt;
        }
        for (sf_count_t i = 0; i < got; ++i) {
            float sum = 0.0f;
            for (std::size_t c = 0; c < channels; ++c)
                sum += chunk[static_cast<std::size_t>(i) * channels + c];
            data.mono.push_back(sum / static_cast<float>(channels));
        }
        data.frames += got;
    }
    if (data.frames == 0) {
        error = "no audio data";
        return std::nullopt;
    }
    return data;
}

} // namespace tarvisk::tunes
