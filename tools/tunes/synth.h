#pragma once
// The sounds of the default library that are made from first principles:
// the pure tones and the reset sound.

#include <cstddef>
#include <vector>

namespace tarvisk::tunes {

inline constexpr int kRate = 44100;

// A loop length holding a whole number of cycles, chosen so that the looped
// pitch cycles * rate / frames is as close to `hz` as lengths allow.
struct WholeCycles {
    std::size_t frames = 0;
    std::size_t cycles = 0;
};
WholeCycles FitWholeCycles(double hz, int rate, double min_seconds, double max_seconds);

// A steady sine that repeats seamlessly, for tuning by beats.
std::vector<float> PureTone(double hz, int rate);

// Short and silent: ends a loop without a sound of its own.
std::vector<float> ResetSound(int rate);

} // namespace tarvisk::tunes
