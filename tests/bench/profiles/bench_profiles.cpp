// Loading and saving a full keyboard profile (170 keys, every section of the factory profile)
// and the profile library's add and copy, with the number of heap allocations per operation.

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>

#include <benchmark/benchmark.h>

#include "profiles/data_folders.h"
#include "profiles/profile_document.h"
#include "profiles/profile_library.h"
#include "support/temp_dir.h"

namespace {
std::atomic<std::uint64_t> gAllocations{0};
}

// The replaced operators pair malloc with free themselves; GCC cannot see that through inlining.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t n) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

using namespace quasar;

namespace {

// Counts allocations made while the benchmark's timer runs.
struct AllocationCounter {
    benchmark::State& state;
    std::uint64_t start = gAllocations.load();
    explicit AllocationCounter(benchmark::State& s) : state(s) {}
    ~AllocationCounter() {
        state.counters["allocs"] = benchmark::Counter(
            static_cast<double>(gAllocations.load() - start), benchmark::Counter::kAvgIterations);
    }
};

void openKeyboard(CKeyboardProfiledata& doc, const std::string& path) {
    doc.setFallbackPath(factoryDefaultPath("keyboard"));
    doc.setProfilePath(path);
    doc.setDeviceIndex(0);
    doc.loadSection(path);
}

// Everything a keyboard reads when it applies a profile.
void readAll(CKeyboardProfiledata& doc) {
    benchmark::DoNotOptimize(doc.getKeyList());
    benchmark::DoNotOptimize(doc.getLightInfo());
    benchmark::DoNotOptimize(doc.getAudioLightInfo());
    benchmark::DoNotOptimize(doc.getLightList());
    benchmark::DoNotOptimize(doc.getSystemStages());
    benchmark::DoNotOptimize(doc.getCustomLightColors(doc.getCustomLightGroup(), 170));
}

void BM_LoadKeyboardProfile(benchmark::State& state) {
    testing::TempDir dir;
    std::string path = dir.file("p.Json");
    {
        CKeyboardProfiledata seed;
        openKeyboard(seed, path); // creates the file from the factory profile
    }
    AllocationCounter count(state);
    for (auto _ : state) {
        CKeyboardProfiledata doc;
        openKeyboard(doc, path);
        readAll(doc);
    }
}
BENCHMARK(BM_LoadKeyboardProfile)->Unit(benchmark::kMillisecond);

void BM_SaveKeyboardProfile(benchmark::State& state) {
    testing::TempDir dir;
    std::string path = dir.file("p.Json");
    CKeyboardProfiledata doc;
    openKeyboard(doc, path);
    std::vector<KeyAssignmentEntry> keys = doc.getKeyList();
    LightInfoValues li = doc.getLightInfo();
    AllocationCounter count(state);
    for (auto _ : state) {
        li.red = static_cast<std::uint8_t>(li.red + 1);
        doc.setLightInfo(li);
        doc.setKeyList(keys);
        if (!doc.save()) state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SaveKeyboardProfile)->Unit(benchmark::kMillisecond);

// Add (or copy) on a library that starts with a few profiles; the folder is renewed outside
// the timer before the list grows past 40 entries, so every sample sees a similar list.
template <bool kCopy> void libraryOp(benchmark::State& state) {
    testing::TempDir dir;
    std::string folder = dir.path() + "/user/";
    ProfileLibrary lib;
    auto fresh = [&] {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        lib.setDeviceKind(1);
        lib.setFolders(folder, factoryDefaultPath("keyboard"));
        lib.loadProfileList();
        for (int i = 0; i < 4; ++i)
            lib.addProfile();
    };
    fresh();
    AllocationCounter count(state);
    for (auto _ : state) {
        if (lib.entries().size() >= 40) {
            state.PauseTiming();
            std::uint64_t before = gAllocations.load();
            fresh();
            count.start += gAllocations.load() - before;
            state.ResumeTiming();
        }
        bool ok = kCopy ? lib.copyProfile() : lib.addProfile();
        if (!ok) state.SkipWithError("operation failed");
    }
}

void BM_LibraryAdd(benchmark::State& state) {
    libraryOp<false>(state);
}
void BM_LibraryCopy(benchmark::State& state) {
    libraryOp<true>(state);
}
BENCHMARK(BM_LibraryAdd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibraryCopy)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
