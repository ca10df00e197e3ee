// One indicator painted from a canvas, and all six cleared, each including
// the redraw, on the real Qt window (offscreen platform).

#include "startup/app_modul.h"
#include "toolkit/qt/qt_platform.h"
#include "window/paint.h"
#include "window/tuner.h"

#include <benchmark/benchmark.h>

#include <QApplication>

namespace {

class Quiet final : public tk::SoundOutput {
public:
    int sndPlaySoundA(const std::string&, unsigned) override { return 1; }
};

class InFolder final : public tk::Process {
public:
    explicit InFolder(tk::Process& qt) : qt_(qt) {}
    bool AnotherInstanceRunning() override { return false; }
    std::string ExecutableFolder() override { return "\\nonexistent"; }
    void EndAtOnce() override { std::abort(); }
    void DoEvents() override { qt_.DoEvents(); }

private:
    tk::Process& qt_;
};

struct Window {
    Window(tk::qt::QtPlatform& qt)
        : process(qt), platform{process, qt.screen, qt, sound, qt}, program(platform)
    {
        tarvisk::Main(program);
    }
    InFolder process;
    Quiet sound;
    tk::Platform platform;
    tarvisk::Program program;
};

tk::qt::QtPlatform* qt_platform = nullptr;

void BM_PaintFromCanvas(benchmark::State& state)
{
    Window w(*qt_platform);
    tarvisk::Tuner& t = *w.program.tuner;
    tk::PictureBox* target = &t.Picture1(0); // the largest indicator
    tk::PictureBox* canvases[] = {&t.picAllOn(), &t.picAllOff()};
    int k = 0;
    for (auto _ : state)
        tarvisk::PaintFromCanvas(*qt_platform, target, canvases[k++ & 1]);
}
BENCHMARK(BM_PaintFromCanvas);

void BM_ClearAll(benchmark::State& state)
{
    Window w(*qt_platform);
    tarvisk::Tuner& t = *w.program.tuner;
    for (auto _ : state)
        for (int i = 0; i <= 5; ++i)
            tarvisk::PaintFromCanvas(*qt_platform, &t.Picture1(i), &t.picAllOff());
}
BENCHMARK(BM_ClearAll);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    tk::qt::PrepareEnvironment();
    tk::qt::QtPlatform qt(argv[0]);
    qt.App();
    qt_platform = &qt;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
