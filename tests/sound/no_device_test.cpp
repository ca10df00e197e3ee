// Starting without any audio device, and resting when nothing sounds. Each
// case runs a probe process of its own: OpenAL reads its settings once.

#include "tools/fixtures/sound_fixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tarvisk::sound_test {
namespace {

struct ProbeRun {
    int exit_code = -1;
    std::string out;
    std::string err;
};

ProbeRun RunProbe(const std::string& environment, const std::string& arguments)
{
    TempDir dir;
    const auto out = dir.path() / "out";
    const auto err = dir.path() / "err";
    // The caller's environment is cleared of what the case sets itself.
    const std::string command = "env -u ALSOFT_CONF -u ALSOFT_LOGLEVEL -u ALSOFT_DRIVERS " + environment +
        " \"" + TARVISK_SOUND_PROBE + "\" " + arguments + " >\"" + out.string() + "\" 2>\"" + err.string() +
        "\"";
    ProbeRun run;
    const int status = std::system(command.c_str());
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::stringstream o, e;
    o << std::ifstream(out).rdbuf();
    e << std::ifstream(err).rdbuf();
    run.out = o.str();
    run.err = e.str();
    return run;
}

TEST(NoAudioDevice, ProgramRunsOnSilentlyWithOneLineOnStderr)
{
    const std::pair<std::string, const char*> cases[] = {
        {"ALSOFT_DRIVERS=no-such-driver", "''"},
        {"ALSOFT_DRIVERS=null", "'No Such Device'"},
        // A libopenal.so.1 that is not OpenAL, as good as none.
        {std::string("LD_LIBRARY_PATH='") + TARVISK_NO_OPENAL_DIR + "' ALSOFT_DRIVERS=null", "''"},
    };
    for (const auto& [environment, device] : cases) {
        SCOPED_TRACE(environment);
        const ProbeRun run = RunProbe(environment, device);
        EXPECT_EQ(run.exit_code, 0);
        EXPECT_EQ(run.out, "open=0 paused=0 period=0\n");
        EXPECT_EQ(run.err, "tarvisk: no audio output device, sound is off\n");
    }
}

TEST(IdleDevice, MixesInSmallPeriodsAndIsPausedOnceTheLastSoundHasEnded)
{
    const ProbeRun run = RunProbe("ALSOFT_DRIVERS=null", "''");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out, "open=1 paused=1 period=256\n");
    EXPECT_EQ(run.err, "");
}

TEST(IdleDevice, LeavesTheUsersOwnOpenAlConfigurationAlone)
{
    TempDir dir;
    std::ofstream(dir.path() / "alsoft.conf") << "[general]\nperiod_size = 2048\n";
    const ProbeRun run =
        RunProbe("ALSOFT_DRIVERS=null ALSOFT_CONF='" + (dir.path() / "alsoft.conf").string() + "'", "''");
    // The period is read back through the refresh rate, so only roughly.
    ASSERT_EQ(run.out.rfind("open=1 paused=1 period=", 0), 0u) << run.out;
    EXPECT_NEAR(std::stoi(run.out.substr(run.out.find("period=") + 7)), 2048, 60);
}

} // namespace
} // namespace tarvisk::sound_test
