// tarvisk-tunes: makes the default sound library, adds sets to a library from
// recordings, and checks any library.

#include "tools/tunes/import.h"
#include "tools/tunes/library_tool.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr char kUsage[] =
    "Usage:\n"
    "  tarvisk-tunes generate OUT_DIR [--a4 HZ] [--soundfont FILE] [--replace]\n"
    "      Writes the default library into OUT_DIR: reset.wav, Chord.wav and the\n"
    "      sets \"Acoustic\", \"Electric\", \"Nylon\", \"Sine\" (standard tuning),\n"
    "      \"Drop D\", \"DADGAD\", \"Open G\", \"Open D\" and \"E flat\" (E2.wav H.wav\n"
    "      G.wav D.wav A.wav E.wav each, the strings from high to low). The guitars\n"
    "      are recorded notes of FluidR3 GM, each held on its pitch from the pick\n"
    "      to the fade; Sine is a pure tone.\n"
    "  tarvisk-tunes generate OUT_DIR --set NAME [--tuning NOTES] [--a4 HZ] [--soundfont FILE]\n"
    "                        [--replace]\n"
    "      Adds only the set NAME (letters, digits and spaces), acoustic, to OUT_DIR.\n"
    "      --tuning NOTES six notes, lowest string first\n"
    "                     (default \"E2 A2 D3 G3 B3 E4\"; e.g. \"C2 G2 C3 G3 C4 E4\")\n"
    "  tarvisk-tunes import OUT_DIR --set NAME [--tuning NOTES] [--a4 HZ] [--replace] FILE...\n"
    "      Adds the set NAME to OUT_DIR from six recordings (WAV, any rate and\n"
    "      width, mono or stereo), lowest string first as --tuning lists them:\n"
    "      each trimmed to start at its pick, held on its note and faded out.\n"
    "      Writes nothing when a recording cannot be read, is silent or too short,\n"
    "      is more than a semitone from its note, or has a pick too sharp for the\n"
    "      library's loudness.\n"
    "  tarvisk-tunes check LIBRARY_DIR [--a4 HZ]\n"
    "      Reports each file's format, the chord's and each note's integrated\n"
    "      loudness (LUFS) and true peak (dBTP), and each note's pitch through\n"
    "      time, as a tuner reads it in 100 ms windows every 50 ms from 0.1 s after\n"
    "      the pick until it fades: the median and the worst window, in cents, for\n"
    "      the default sets against the string's note in that set's tuning,\n"
    "      otherwise against the nearest note. Exits non-zero when a file is\n"
    "      missing or unreadable, the chord or a note is more than 0.5 LU from\n"
    "      -24 LUFS or peaks above -1 dBTP (marked LOUDNESS), or a default set's\n"
    "      note has a window more than 0.5 cent off or a median more than 0.1\n"
    "      cent off (marked OFF).\n"
    "  generate and import bring every note and the chord to -24 LUFS, EBU R128's\n"
    "  integrated loudness, each with one gain and peaking at -1 dBTP at most.\n"
    "  They name a set of the same name in OUT_DIR (upper and lower case alike),\n"
    "  or a reset.wav or Chord.wav there, and write nothing, unless given\n"
    "  --replace  the new set is written whole beside the old one, which goes\n"
    "             only then.\n"
    "  --a4 HZ  concert pitch, 415 (Baroque) to 466 (default 440)\n"
    "  --soundfont FILE  FluidR3 GM (default /usr/share/sounds/sf2/FluidR3_GM.sf2,\n"
    "                    from the Debian package fluid-soundfont-gm)\n"
    "  tarvisk-tunes --help\n";

int Fail(const std::string& message)
{
    std::cerr << "tarvisk-tunes: " << message << "\n\n" << kUsage;
    return 2;
}

bool ParseA4(const std::string& text, double& a4)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !(value >= tarvisk::tunes::kMinA4) ||
        !(value <= tarvisk::tunes::kMaxA4))
        return false;
    a4 = value;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace tarvisk::tunes;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return Fail("no command given");
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::cout << kUsage;
        return 0;
    }
    const std::string& command = args[0];
    if (command != "generate" && command != "check" && command != "import")
        return Fail("unknown command \"" + command + "\"");
    if (args.size() < 2)
        return Fail(command + " needs a folder");

    const bool makes_set = command == "generate" || command == "import";
    GenerateOptions options;
    std::optional<Tuning> tuning;
    std::vector<std::filesystem::path> files;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const bool has_value = i + 1 < args.size();
        if (args[i] == "--a4" && has_value) {
            if (!ParseA4(args[++i], options.a4_hz))
                return Fail("--a4 takes a frequency from 415 to 466 Hz");
        } else if (args[i] == "--set" && has_value && makes_set) {
            if (!IsSetName(args[++i]))
                return Fail("--set \"" + args[i] +
                            "\": a set's name is ASCII letters, digits and inner spaces");
            options.set = ExtraSet{args[i]};
        } else if (args[i] == "--replace" && makes_set) {
            options.replace = true;
        } else if (args[i] == "--soundfont" && has_value && command == "generate") {
            options.soundfont = args[++i];
        } else if (args[i] == "--tuning" && has_value && makes_set) {
            tuning = ParseTuning(args[++i]);
            if (!tuning)
                return Fail("--tuning takes six note names such as \"E2 A2 D3 G3 B3 E4\"");
        } else if (command == "import" && !args[i].starts_with("--")) {
            files.emplace_back(args[i]);
        } else {
            return Fail("unexpected argument \"" + args[i] + "\"");
        }
    }
    if (tuning) {
        if (!options.set)
            return Fail("--tuning goes with --set NAME");
        options.set->tuning = *tuning;
    }

    if (command == "generate")
        return GenerateLibrary(args[1], options, std::cerr) ? 0 : 1;
    if (command == "import") {
        if (!options.set)
            return Fail("import needs --set NAME");
        if (files.size() != options.set->tuning.size())
            return Fail("import takes six recordings, lowest string first");
        const ImportOptions import{options.set->name, options.set->tuning, options.a4_hz, files,
                                   options.replace};
        return ImportSet(args[1], import, std::cerr) ? 0 : 1;
    }
    return CheckLibrary(args[1], options.a4_hz, std::cout) ? 0 : 1;
}
