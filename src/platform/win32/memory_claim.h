// Claiming, writing and releasing a block of memory without driving Windows into running out of
// commit (which makes other programs' allocations fail).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

#include "platform/system.h"

namespace platform::win32_impl {

// How often, while writing, the claim asks again whether the rest can still be had.
inline constexpr std::uint64_t kClaimCheckEvery = 256ull << 20;

// What can still be committed, less a reserve of 5 % of physical memory (at least 64 MiB).
std::optional<std::uint64_t> MemoryThatCanBeHad(std::uint64_t availCommit, std::uint64_t totalPhys);
std::optional<std::uint64_t> MemoryThatCanBeHad();

// Commits `bytes` (0: nothing) and writes all of it with the blank pattern 0x20 0x00. Before
// committing and again every `checkEvery` bytes it compares what is still to write with
// `canBeHad`; when the rest does not fit, or `stop` is requested (the program is ending), it gives
// back what it has and returns null.
std::unique_ptr<MemoryBlock> ClaimMemory(std::uint64_t bytes,
                                         const std::function<std::optional<std::uint64_t>()>& canBeHad,
                                         std::uint64_t checkEvery = kClaimCheckEvery, std::stop_token stop = {});
std::unique_ptr<MemoryBlock> ClaimMemory(std::uint64_t bytes, std::stop_token stop = {});

}  // namespace platform::win32_impl
