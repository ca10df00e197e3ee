// tarvisk-tunes: makes the default sound library and checks any library.

#include "tools/tunes/library_tool.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr char kUsage[] =
    "Usage:\n"
    "  tarvisk-tunes generate OUT_DIR [--a4 HZ] [--tuning NOTES]\n"
    "      Writes reset.wav, Chord.wav and the sets \"Acoustic\", \"Electric\" and\n"
    "      \"Pure Tone\" (E2.wav H.wav G.wav D.wav A.wav E.wav each) into OUT_DIR.\n"
    "      --a4 HZ        concert pitch, 432 to 446 (default 440)\n"
    "      --tuning NOTES six notes, lowest string first\n"
    "                     (default \"E2 A2 D3 G3 B3 E4\"; Drop D: \"D2 A2 D3 G3 B3 E4\")\n"
    "  tarvisk-tunes check LIBRARY_DIR [--a4 HZ]\n"
    "      Reports each file's format, pitch, nearest note and deviation in\n"
    "      cents; exits non-zero when a file is missing or unreadable.\n"
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
    if (command != "generate" && command != "check")
        return Fail("unknown command \"" + command + "\"");
    if (args.size() < 2)
        return Fail(command + " needs a folder");

    GenerateOptions options;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const bool has_value = i + 1 < args.size();
        if (args[i] == "--a4" && has_value) {
            if (!ParseA4(args[++i], options.a4_hz))
                return Fail("--a4 takes a frequency from 432 to 446 Hz");
        } else if (args[i] == "--tuning" && has_value && command == "generate") {
            const auto tuning = ParseTuning(args[++i]);
            if (!tuning)
                return Fail("--tuning takes six note names such as \"E2 A2 D3 G3 B3 E4\"");
            options.tuning = *tuning;
        } else {
            return Fail("unexpected argument \"" + args[i] + "\"");
        }
    }

    if (command == "generate")
        return GenerateLibrary(args[1], options, std::cerr) ? 0 : 1;
    return CheckLibrary(args[1], options.a4_hz, std::cout) ? 0 : 1;
}
