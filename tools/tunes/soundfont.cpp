#include "tools/tunes/soundfont.h"

#include "tools/tunes/synth.h"

#include <fluidsynth.h>

#include <array>
#include <system_error>

namespace tarvisk::tunes {

namespace {

// A firm pick, as a guitarist tunes with.
constexpr int kVelocity = 100;

struct SettingsDeleter {
    void operator()(fluid_settings_t* settings) const { delete_fluid_settings(settings); }
};
struct SynthDeleter {
    void operator()(fluid_synth_t* synth) const { delete_fluid_synth(synth); }
};

} // namespace

struct SoundFont::Synth {
    std::unique_ptr<fluid_settings_t, SettingsDeleter> settings;
    std::unique_ptr<fluid_synth_t, SynthDeleter> synth;
    int font = FLUID_FAILED;
};

SoundFont::SoundFont(std::unique_ptr<Synth> synth) : synth_(std::move(synth)) {}

SoundFont::~SoundFont() = default;

std::unique_ptr<SoundFont> SoundFont::Open(const std::filesystem::path& path, std::string& error)
{
    const std::string help = "; the recorded notes come from the FluidR3 GM soundfont of the Debian package " +
        std::string(kFluidR3Package) + " (sudo apt-get install " + kFluidR3Package + ")";
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = path.string() + ": no such soundfont" + help;
        return nullptr;
    }
    // Its warnings and notes are not ours to show; errors still reach stderr.
    for (const int level : {FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, nullptr, nullptr);

    auto s = std::make_unique<Synth>();
    s->settings.reset(new_fluid_settings());
    if (!s->settings) {
        error = "cannot start libfluidsynth";
        return nullptr;
    }
    fluid_settings_t* settings = s->settings.get();
    // Dry and single-threaded, so a note is the same on every run and
    // machine; samples loaded as the instruments are chosen, which is much
    // quicker than reading all 148 MB, and never locked in memory.
    fluid_settings_setint(settings, "synth.reverb.active", 0);
    fluid_settings_setint(settings, "synth.chorus.active", 0);
    fluid_settings_setint(settings, "synth.cpu-cores", 1);
    fluid_settings_setint(settings, "synth.lock-memory", 0);
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setnum(settings, "synth.sample-rate", kRate);
    s->synth.reset(new_fluid_synth(settings));
    if (!s->synth) {
        error = "cannot start libfluidsynth";
        return nullptr;
    }
    s->font = fluid_synth_sfload(s->synth.get(), path.c_str(), 0);
    if (s->font == FLUID_FAILED) {
        error = path.string() + ": not a soundfont libfluidsynth reads" + help;
        return nullptr;
    }
    return std::unique_ptr<SoundFont>(new SoundFont(std::move(s)));
}

std::vector<float> SoundFont::Render(int program, int midi, double seconds)
{
    fluid_synth_t* synth = synth_->synth.get();
    // Every note from the same state, whatever was rendered before. Voices
    // keep some state from the note they played last, so the note is struck
    // once for a block and stopped, then struck for good. Each change is let
    // take effect by a block of its own, and only whole blocks are rendered,
    // so none is left half played. (A system reset would not do: it keeps
    // effect state of the notes before.)
    constexpr std::size_t kBlock = 64;
    std::array<float, kBlock> block_left{};
    std::array<float, kBlock> block_right{};
    const auto block = [&] {
        fluid_synth_write_float(synth, static_cast<int>(kBlock), block_left.data(), 0, 1, block_right.data(), 0, 1);
    };
    fluid_synth_all_sounds_off(synth, -1);
    if (fluid_synth_program_select(synth, 0, synth_->font, 0, program - 1) != FLUID_OK)
        return {};
    fluid_synth_set_interp_method(synth, 0, FLUID_INTERP_HIGHEST);
    block();
    if (fluid_synth_noteon(synth, 0, midi, kVelocity) != FLUID_OK)
        return {};
    block();
    fluid_synth_all_sounds_off(synth, -1);
    block();
    fluid_synth_noteon(synth, 0, midi, kVelocity);
    const auto frames = static_cast<std::size_t>(seconds * kRate);
    const std::size_t rendered = (frames + kBlock - 1) / kBlock * kBlock;
    std::vector<float> left(rendered);
    std::vector<float> right(rendered);
    // Floats straight from the mix: libfluidsynth dithers only 16-bit output.
    if (fluid_synth_write_float(synth, static_cast<int>(rendered), left.data(), 0, 1, right.data(), 0, 1) !=
        FLUID_OK)
        return {};
    std::vector<float> mono(frames);
    for (std::size_t i = 0; i < frames; ++i)
        mono[i] = 0.5f * (left[i] + right[i]);
    return mono;
}

} // namespace tarvisk::tunes
