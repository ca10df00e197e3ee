// How quickly a press is heard, and what the output costs while it waits.
//
// The memory cases mix on demand, so they show the program's own share of
// the latency; a real output adds its buffering (the stream's target length).
// The CPU case plays through this machine's output: a sound server if one
// runs, else ALSA's default device.

#include "tests/sound/heard_output.h"
#include "tools/fixtures/sound_fixtures.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <sys/resource.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using tarvisk::sound_test::HeardOutput;
using tarvisk::sound_test::TempDir;

constexpr int kRate = 48000;

struct Library {
    TempDir dir;
    std::string note;
    Library()
    {
        // At 44.1 kHz, so that the mixer resamples as it does for the default library.
        tarvisk::sound_test::WriteSine(dir.path() / "E.wav", 82.41, 4.0);
        note = dir.ProgramPath("E.wav");
    }
    // A new time stamp makes the next play read the file afresh.
    void Touch()
    {
        const fs::path file = dir.path() / "E.wav";
        fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(1));
    }
};

// The call the GUI thread makes; it never waits for the sound.
void BM_PlayCall(benchmark::State& state)
{
    const bool cached = state.range(0) != 0;
    Library library;
    HeardOutput output(kRate);
    output.Play(library.note, tk::kPlayAsync | tk::kPlayLoop);
    for (auto _ : state) {
        if (!cached) {
            state.PauseTiming();
            library.Touch();
            state.ResumeTiming();
        }
        output.player().sndPlaySoundA(library.note, tk::kPlayAsync | tk::kPlayLoop);
        state.PauseTiming();
        output.player().WaitUntilSettled();
        state.ResumeTiming();
    }
    state.counters["decodes"] = static_cast<double>(output.player().GetStats().decodes);
}
// Fixed counts: the untimed settling between calls would otherwise dominate.
BENCHMARK(BM_PlayCall)->ArgName("cached")->Arg(1)->Iterations(20000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlayCall)->ArgName("cached")->Arg(0)->Iterations(300)->Unit(benchmark::kMicrosecond);

// From the call to the first frame of the new sound in the mixed output,
// rendering in 64-frame slices as fast as the worker allows.
void BM_RequestToFirstFrame(benchmark::State& state)
{
    const bool cached = state.range(0) != 0;
    Library library;
    HeardOutput output(kRate);
    output.Play(library.note, tk::kPlayAsync);
    for (auto _ : state) {
        state.PauseTiming();
        output.Play(library.dir.ProgramPath("none.wav"), tk::kPlayAsync | tk::kPlayNoDefault); // quiet
        output.Render(kRate / 10);
        if (!cached)
            library.Touch();
        state.ResumeTiming();

        output.player().sndPlaySoundA(library.note, tk::kPlayAsync | tk::kPlayLoop);
        for (;;) {
            const auto slice = output.Render(64);
            bool sounding = false;
            for (std::size_t i = 2; i < slice.size(); i += 2)
                sounding = sounding || slice[i] != 0.0f; // a sine starts at zero
            if (sounding)
                break;
        }
    }
}
BENCHMARK(BM_RequestToFirstFrame)->ArgName("cached")->Arg(1)->Iterations(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RequestToFirstFrame)->ArgName("cached")->Arg(0)->Iterations(300)->Unit(benchmark::kMicrosecond);

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Process CPU over `seconds` of wall time, as a share of one core, in percent.
double CpuPercentOver(double seconds)
{
    const double before = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    return 100.0 * (CpuSeconds() - before) / seconds;
}

// A loop sounding, the output ready after it, and the output at rest.
void BM_OutputCpu(benchmark::State& state)
{
    Library library;
    tk::linux_sound::Player player;
    for (auto _ : state) {
        player.sndPlaySoundA(library.note, tk::kPlayAsync | tk::kPlayLoop);
        player.WaitUntilSettled();
        state.counters["output_open"] = player.GetStats().open ? 1 : 0;
        state.counters["looping_cpu_pct"] = CpuPercentOver(2.0);
        player.sndPlaySoundA(library.dir.ProgramPath("none.wav"), tk::kPlayAsync | tk::kPlayNoDefault);
        player.WaitUntilSettled();
        state.counters["ready_cpu_pct"] = CpuPercentOver(2.0);
        std::this_thread::sleep_for(std::chrono::duration<double>(tk::linux_sound::kStayReadySeconds - 1.0));
        state.counters["resting_cpu_pct"] = CpuPercentOver(2.0);
    }
}
BENCHMARK(BM_OutputCpu)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
