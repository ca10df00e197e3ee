#pragma once
// The sound sets of the default library: each set's name (its folder, shown
// as it stands in the window's narrow list), its sound and its tuning.

#include "tools/tunes/notes.h"

#include <array>
#include <string_view>

namespace tarvisk::tunes {

// The guitars are recorded (FluidR3 GM); the pure tone is synthesised.
enum class SetKind { Acoustic, Electric, Nylon, PureTone };

// The General MIDI program a recorded sound is rendered from, 0 for none.
constexpr int GmProgram(SetKind kind)
{
    switch (kind) {
    case SetKind::Acoustic:
        return 26; // steel-string acoustic guitar
    case SetKind::Electric:
        return 28; // clean electric guitar
    case SetKind::Nylon:
        return 25; // nylon-string guitar
    case SetKind::PureTone:
        break;
    }
    return 0;
}

struct SoundSetDef {
    std::string_view name;
    SetKind kind;
    Tuning tuning; // lowest string first
};

// "Acoustic" sorts first, so the window's initial text names a real set.
inline constexpr std::array<SoundSetDef, 9> kDefaultSets = {{
    {"Acoustic", SetKind::Acoustic, kStandardTuning},
    {"Electric", SetKind::Electric, kStandardTuning},
    {"Nylon", SetKind::Nylon, kStandardTuning},
    {"Sine", SetKind::PureTone, kStandardTuning},
    {"Drop D", SetKind::Acoustic, {38, 45, 50, 55, 59, 64}}, // D2 A2 D3 G3 B3 E4
    {"DADGAD", SetKind::Acoustic, {38, 45, 50, 55, 57, 62}}, // D2 A2 D3 G3 A3 D4
    {"Open G", SetKind::Acoustic, {38, 43, 50, 55, 59, 62}}, // D2 G2 D3 G3 B3 D4
    {"Open D", SetKind::Acoustic, {38, 45, 50, 54, 57, 62}}, // D2 A2 D3 F#3 A3 D4
    {"E flat", SetKind::Acoustic, {39, 44, 49, 54, 58, 63}}, // Eb2 Ab2 Db3 Gb3 Bb3 Eb4
}};

} // namespace tarvisk::tunes
