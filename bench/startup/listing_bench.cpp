// Listing a sound library of thousands of sets, as start-up does.

#include "toolkit/linux/folder_listing.h"
#include "toolkit/linux/native_path.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

void BM_ListSubFolders(benchmark::State& state)
{
    const fs::path root = fs::temp_directory_path() / ("tarvisk-listing-bench-" + std::to_string(getpid()));
    fs::remove_all(root);
    for (int i = 0; i < state.range(0); ++i)
        fs::create_directories(root / ("Set " + std::to_string(i)));
    const std::string library = *tk::linux_paths::FromNative(root.string()) + "\\";
    for (auto _ : state)
        benchmark::DoNotOptimize(tk::linux_paths::ListSubFolders(library));
    fs::remove_all(root);
}
BENCHMARK(BM_ListSubFolders)->Arg(3)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
