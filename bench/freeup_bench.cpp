// The free-up claim against a naive page-by-page claim and a plain huge-page fill of the same size.
#include <benchmark/benchmark.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstring>

#include "platform/linux/memory_claim.h"

namespace {

using platform::linux_impl::ClaimMemory;
using platform::linux_impl::FillBlank;

constexpr std::size_t kPage = 4096;

std::size_t BytesOf(const benchmark::State& state) { return static_cast<std::size_t>(state.range(0)) << 20; }

// The engine's path: claim, write every byte, release.
void BM_Claim(benchmark::State& state) {
    const std::size_t bytes = BytesOf(state);
    for (auto _ : state) {
        auto block = ClaimMemory(bytes);
        if (!block) {
            state.SkipWithError("the claim was refused: not enough memory can be had");
            break;
        }
        benchmark::DoNotOptimize(block.get());
        block.reset();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// A plain anonymous mapping with the given advice, filled by `fill` and released, once per iteration.
template <typename Fill>
void MapFillRelease(benchmark::State& state, int advice, Fill fill) {
    const std::size_t bytes = BytesOf(state);
    for (auto _ : state) {
        void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) {
            state.SkipWithError("mmap failed");
            break;
        }
        ::madvise(p, bytes, advice);
        fill(p, bytes);
        benchmark::ClobberMemory();
        ::munmap(p, bytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// The baseline: small pages, written one after the other, two bytes at a time.
void BM_NaiveClaim(benchmark::State& state) {
    MapFillRelease(state, MADV_NOHUGEPAGE, [](void* p, std::size_t bytes) {
        auto* b = static_cast<volatile std::uint16_t*>(p);
        for (std::size_t page = 0; page < bytes; page += kPage)
            for (std::size_t k = page / 2; k < (page + kPage) / 2; ++k) b[k] = 0x0020;
    });
}

// What the claim can at best reach: a huge-page-advised mapping filled with no checks at all.
void BM_HugePageFill(benchmark::State& state) {
    MapFillRelease(state, MADV_HUGEPAGE, [](void* p, std::size_t bytes) { FillBlank(p, bytes); });
}

}  // namespace

BENCHMARK(BM_Claim)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond)->UseRealTime();
// The two huge-page paths first, on the same warm memory; the small-page baseline breaks it up.
BENCHMARK(BM_HugePageFill)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_NaiveClaim)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond)->UseRealTime();

// On a virtual machine, memory the guest has never touched costs the host a fault per small page the
// first time; whichever benchmark ran first would pay for it. Touch three times the largest size once beforehand
// so that every benchmark measures the claim itself.
int main(int argc, char** argv) {
    const std::size_t warm = std::size_t{3072} << 20;
    if (void* p = ::mmap(nullptr, warm, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0); p != MAP_FAILED) {
        ::madvise(p, warm, MADV_HUGEPAGE);
        FillBlank(p, warm);
        ::munmap(p, warm);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
