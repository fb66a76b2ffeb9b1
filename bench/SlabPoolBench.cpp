// The host's object memory when a scene is made again over the slots a deletion gave back: slots freed in
// a scattered order are handed out again and filled, as a reload's merge fills what its unload freed.
#include "host/core/SlabPool.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace {

// Objects of a node come in a handful of sizes, made in turn: a million of them is far beyond the
// processor's caches.
constexpr std::size_t kSizes = 8;
std::size_t SizeOf(std::size_t i) {
    return 64 + 8 * (i % kSizes);
}

void FreeShuffled(std::vector<void*>& slots, std::mt19937& random) {
    std::vector<std::size_t> order(slots.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), random);
    for (std::size_t i : order) SlabPool::Free(slots[i], SizeOf(i));
}

// Per iteration: every slot taken again from free lists in the order a scattered deletion left, and
// written in full as a constructor writes its object.
void BM_RefillFreedSlots(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    std::mt19937 random(7);
    std::vector<void*> slots(n);
    // A tenth of the objects stay, as records with changes do across a reload: their slabs keep the
    // freed slots instead of going back to the heap.
    std::vector<void*> kept;
    for (std::size_t i = 0; i < n; ++i) {
        slots[i] = SlabPool::Allocate(SizeOf(i));
        if (i % 10 == 0) kept.push_back(SlabPool::Allocate(SizeOf(0)));
    }
    FreeShuffled(slots, random);
    for (auto _ : state) {
        for (std::size_t i = 0; i < n; ++i) {
            slots[i] = SlabPool::Allocate(SizeOf(i));
            std::memset(slots[i], static_cast<int>(i), SizeOf(i));
        }
        benchmark::ClobberMemory();
        state.PauseTiming();
        FreeShuffled(slots, random);
        state.ResumeTiming();
    }
    for (void* p : kept) SlabPool::Free(p, SizeOf(0));
    state.counters["ns_per_object"] =
        benchmark::Counter(static_cast<double>(n) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_RefillFreedSlots)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
