#pragma once
// Test WAV files made at run time, and what the tests measure in audio.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tarvisk::sound_test {

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // The program's own form of a path inside the folder ("\" separators).
    std::string ProgramPath(const std::string& name) const;

private:
    std::filesystem::path path_;
};

// Writes `frames` frames from `sample(frame, channel)` (-1..1) with the given
// libsndfile format (e.g. SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM).
void WriteWav(const std::filesystem::path& path, int format, int channels, int rate, std::size_t frames,
              const std::function<double(std::size_t, int)>& sample);

// 16-bit PCM holding exactly these interleaved samples.
void WritePcm16(const std::filesystem::path& path, int channels, int rate,
                const std::vector<std::int16_t>& interleaved);

// A sine of `hz` at `level` that starts at phase zero.
void WriteSine(const std::filesystem::path& path, double hz, double seconds, int rate = 44100,
               int format = 0x010002 /* WAV, PCM 16 */, int channels = 1, double level = 0.5);

// Left channel of interleaved stereo, from frame `first` for `count` frames.
std::vector<float> Left(const std::vector<float>& stereo, std::size_t first, std::size_t count);

double Rms(std::span<const float> x);

// Pitch of a stretch of rendered output, 0 when none is found.
double PitchOf(std::span<const float> x, double rate);

} // namespace tarvisk::sound_test
