#pragma once
// WAV files through libsndfile, for the library tool.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarvisk::tunes {

// Writes 16-bit PCM mono; false with a reason on failure.
bool WriteWav(const std::string& path, std::span<const float> mono, int rate, std::string& error);

// The samples as WriteWav stores them and ReadWav gives them back, so a note
// can be measured exactly as it will be heard.
std::vector<float> AsWritten(std::span<const float> mono);

struct WavData {
    int rate = 0;
    int channels = 0;
    std::int64_t frames = 0;
    std::string format;      // e.g. "WAV (Microsoft), Signed 16 bit PCM"
    std::vector<float> mono; // channels averaged
};

// Empty with a reason when the file cannot be read; longer files than
// `max_seconds` are refused rather than read into memory.
std::optional<WavData> ReadWav(const std::string& path, std::string& error, double max_seconds = 600.0);

} // namespace tarvisk::tunes
