// How quickly a press is heard, and what an idle output costs.
//
// Loopback cases mix in memory, so they show the program's own share of the
// latency; a real device adds its buffering (12 periods of 256 frames). The
// idle case uses OpenAL's "null" device unless ALSOFT_DRIVERS says otherwise,
// since it mixes in a thread of its own just like a real one.

#include "tools/fixtures/sound_fixtures.h"
#include "toolkit/openal/openal_sound_output.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <sys/resource.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using tarvisk::sound_test::TempDir;
using tk::openal::OpenAlSoundOutput;

constexpr int kRate = 44100;

struct Library {
    TempDir dir;
    std::string note;
    std::string other;
    Library()
    {
        tarvisk::sound_test::WriteSine(dir.path() / "E.wav", 82.41, 4.0);
        tarvisk::sound_test::WriteSine(dir.path() / "A.wav", 110.0, 4.0);
        note = dir.ProgramPath("E.wav");
        other = dir.ProgramPath("A.wav");
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
    auto output = OpenAlSoundOutput::ForLoopback(kRate);
    output->sndPlaySoundA(library.note, tk::kPlayAsync | tk::kPlayLoop);
    output->WaitUntilSettled();
    for (auto _ : state) {
        if (!cached) {
            state.PauseTiming();
            library.Touch();
            state.ResumeTiming();
        }
        output->sndPlaySoundA(library.note, tk::kPlayAsync | tk::kPlayLoop);
        state.PauseTiming();
        output->WaitUntilSettled();
        state.ResumeTiming();
    }
    state.counters["decodes"] = static_cast<double>(output->GetStats().decodes);
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
    auto output = OpenAlSoundOutput::ForLoopback(kRate);
    output->sndPlaySoundA(library.note, tk::kPlayAsync);
    output->WaitUntilSettled();
    for (auto _ : state) {
        state.PauseTiming();
        output->sndPlaySoundA(library.dir.ProgramPath("none.wav"), tk::kPlayAsync); // quiet the output
        output->WaitUntilSettled();
        output->Render(kRate / 2);
        if (!cached)
            library.Touch();
        state.ResumeTiming();

        output->sndPlaySoundA(library.note, tk::kPlayAsync | tk::kPlayLoop);
        for (;;) {
            const auto slice = output->Render(64);
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

// Process CPU over one second of wall time, as a share of one core.
double CpuShareOverOneSecond()
{
    const double before = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    return CpuSeconds() - before;
}

// Nothing sounding (device paused) against a loop sounding (device running).
void BM_IdleCpu(benchmark::State& state)
{
    Library library;
    OpenAlSoundOutput output;
    output.sndPlaySoundA(library.dir.ProgramPath("none.wav"), tk::kPlayAsync);
    output.WaitUntilSettled();
    for (int i = 0; i < 40 && !output.GetStats().device_paused; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    for (auto _ : state) {
        state.counters["device_open"] = output.GetStats().device_open ? 1 : 0;
        state.counters["paused"] = output.GetStats().device_paused ? 1 : 0;
        state.counters["period_frames"] = output.GetStats().period_frames;
        state.counters["idle_cpu_pct"] = 100.0 * CpuShareOverOneSecond();
        output.sndPlaySoundA(library.note, tk::kPlayAsync | tk::kPlayLoop);
        output.WaitUntilSettled();
        state.counters["looping_cpu_pct"] = 100.0 * CpuShareOverOneSecond();
    }
}
BENCHMARK(BM_IdleCpu)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    setenv("ALSOFT_DRIVERS", "null", 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
