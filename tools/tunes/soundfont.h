#pragma once
// Recorded guitar notes from a General MIDI soundfont, rendered by
// libfluidsynth inside the tool: dry (no reverb, no chorus), mono, one note
// at a time from a fresh synthesiser state, so every run gives the same
// samples.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tarvisk::tunes {

// Debian's copy of FluidR3 GM, and the package that puts it there.
inline constexpr char kFluidR3Path[] = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
inline constexpr char kFluidR3Package[] = "fluid-soundfont-gm";

class SoundFont {
public:
    // Null with a reason, naming the package that provides FluidR3 GM, when
    // `path` is missing or no soundfont.
    static std::unique_ptr<SoundFont> Open(const std::filesystem::path& path, std::string& error);
    ~SoundFont();
    SoundFont(const SoundFont&) = delete;
    SoundFont& operator=(const SoundFont&) = delete;

    // MIDI note `midi` of General MIDI program `program` (1 to 128, as the
    // standard numbers them), struck at the first sample and held for
    // `seconds` at kRate. Empty when the soundfont has no such instrument.
    std::vector<float> Render(int program, int midi, double seconds);

private:
    struct Synth;
    explicit SoundFont(std::unique_ptr<Synth> synth);
    std::unique_ptr<Synth> synth_;
};

} // namespace tarvisk::tunes
