#include "tests/sound/sound_test_support.h"

#include "toolkit/linux/native_path.h"
#include "tools/tunes/pitch.h"

#include <cmath>
#include <memory>
#include <numbers>
#include <sndfile.h>
#include <stdexcept>
#include <unistd.h>

namespace tarvisk::sound_test {

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "tarvisk-sound-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string TempDir::ProgramPath(const std::string& name) const
{
    return *tk::linux_paths::FromNative((path_ / name).string());
}

void WriteWav(const fs::path& path, int format, int channels, int rate, std::size_t frames,
              const std::function<double(std::size_t, int)>& sample)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        throw std::runtime_error("cannot write " + path.string() + ": " + sf_strerror(nullptr));
    std::vector<double> data(frames * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            data[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] = sample(i, c);
    sf_writef_double(file, data.data(), static_cast<sf_count_t>(frames));
    sf_close(file);
}

void WritePcm16(const fs::path& path, int channels, int rate, const std::vector<std::int16_t>& interleaved)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        throw std::runtime_error("cannot write " + path.string() + ": " + sf_strerror(nullptr));
    sf_write_short(file, interleaved.data(), static_cast<sf_count_t>(interleaved.size()));
    sf_close(file);
}

void WriteSine(const fs::path& path, double hz, double seconds, int rate, int format, int channels,
               double level)
{
    WriteWav(path, format, channels, rate, static_cast<std::size_t>(seconds * rate), [&](std::size_t i, int) {
        return level * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate);
    });
}

std::vector<float> Left(const std::vector<float>& stereo, std::size_t first, std::size_t count)
{
    std::vector<float> out;
    for (std::size_t i = first; i < first + count && 2 * i < stereo.size(); ++i)
        out.push_back(stereo[2 * i]);
    return out;
}

double Rms(std::span<const float> x)
{
    if (x.empty())
        return 0.0;
    double sum = 0.0;
    for (float v : x)
        sum += static_cast<double>(v) * v;
    return std::sqrt(sum / static_cast<double>(x.size()));
}

double PitchOf(std::span<const float> x, double rate) { return tunes::MeasurePitch(x, rate).value_or(0.0); }

} // namespace tarvisk::sound_test
