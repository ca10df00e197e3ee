// Starting where no sound server runs and ALSA has no device to give: the
// program runs on silently and says so once. A probe process of its own
// each time, since libpulse and ALSA read their settings when first used.

#include "tools/fixtures/sound_fixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tarvisk::sound_test {
namespace {

TEST(NoAudioOutput, ProgramRunsOnSilentlyWithOneLineOnStderr)
{
    const char* configs[] = {
        "pcm.!default { type hw card 99 }\n", // a card that is not there
        "pcm.!default {\n",                   // a configuration ALSA cannot read
    };
    for (const char* config : configs) {
        SCOPED_TRACE(config);
        TempDir dir;
        std::ofstream(dir.path() / "asound.conf") << config;
        const std::string command = "env PULSE_SERVER=unix:" + (dir.path() / "no-server").string() +
            " ALSA_CONFIG_PATH=" + (dir.path() / "asound.conf").string() + " \"" + TARVISK_SOUND_PROBE +
            "\" >\"" + (dir.path() / "out").string() + "\" 2>\"" + (dir.path() / "err").string() + "\"";
        ASSERT_EQ(std::system(command.c_str()), 0);
        std::stringstream out, err;
        out << std::ifstream(dir.path() / "out").rdbuf();
        err << std::ifstream(dir.path() / "err").rdbuf();
        EXPECT_EQ(out.str(), "open=0\n");
        EXPECT_EQ(err.str(), "tarvisk: no audio output device, sound is off\n");
    }
}

} // namespace
} // namespace tarvisk::sound_test
