#pragma once
// The sounds of the default library, made from first principles.

#include <array>
#include <cstddef>
#include <vector>

namespace tarvisk::tunes {

inline constexpr int kRate = 44100;

enum class Voice { Acoustic, Electric };

// One plucked note of `seconds`: silent at both ends, so it loops as a
// repeated pluck with a continuous seam. Its fundamental is exactly `hz`.
std::vector<float> PluckedNote(double hz, Voice voice, int rate, double seconds = 4.0);

// A loop length holding a whole number of cycles, chosen so that the looped
// pitch cycles * rate / frames is as close to `hz` as lengths allow.
struct WholeCycles {
    std::size_t frames = 0;
    std::size_t cycles = 0;
};
WholeCycles FitWholeCycles(double hz, int rate, double min_seconds, double max_seconds);

// A steady sine that repeats seamlessly, for tuning by beats.
std::vector<float> PureTone(double hz, int rate);

// The six strings strummed from the lowest up.
std::vector<float> Strum(const std::array<double, 6>& hz_lowest_first, int rate);

// Short and silent: ends a loop without a sound of its own.
std::vector<float> ResetSound(int rate);

} // namespace tarvisk::tunes
