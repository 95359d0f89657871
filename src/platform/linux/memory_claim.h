// Claiming, writing and releasing a block of memory as fast as the machine allows, without ever
// driving the system into running out of memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "platform/system.h"

namespace platform::linux_impl {

// How often, while writing, the claim asks again whether the rest can still be had.
inline constexpr std::uint64_t kClaimCheckEvery = 256ull << 20;

// What can be had without the kernel running out of memory: MemAvailable + SwapFree, less a reserve
// of 5 % of physical memory (at least 64 MiB). Nothing when the text lacks the figures.
std::optional<std::uint64_t> MemoryThatCanBeHad(std::string_view meminfo);
// Reads a small file of the control-group tree; nothing when it cannot be read.
using CgroupReader = std::function<std::optional<std::string>(const std::string& path)>;

// The same, and no more than the room left under the memory limits of our control groups
// (CgroupMemoryRoom); without /proc/meminfo's figures, nothing.
std::optional<std::uint64_t> MemoryThatCanBeHad(std::string_view meminfo, std::string_view procSelfCgroup,
                                                const CgroupReader& read, const std::string& root = "/sys/fs/cgroup");
// That of this process, from /proc and the control-group tree.
std::optional<std::uint64_t> MemoryThatCanBeHad();

// Room left under the memory limits of the control groups named in `procSelfCgroup` (the text of
// /proc/self/cgroup) and of their ancestors up to `root`: for each limited group, its limit less
// what it uses that cannot simply be dropped (usage less inactive page cache), less a reserve of 5 %
// of the limit (at least 16 MiB). Version 2 (memory.max, memory.current) and version 1
// (memory.limit_in_bytes, memory.usage_in_bytes) trees both count. Nothing when no limit is set.
std::optional<std::uint64_t> CgroupMemoryRoom(std::string_view procSelfCgroup, const CgroupReader& read,
                                              const std::string& root = "/sys/fs/cgroup");

// Writes the two-byte blank (0x20 0x00) over `bytes` bytes from `p`, with wide stores. `p` is
// aligned to 2 bytes at least; an odd tail gets the first byte of the pattern.
void FillBlank(void* p, std::size_t bytes);

// Claims `bytes` (0: nothing), advised for transparent huge pages, and writes all of it. Before
// claiming and again every `checkEvery` bytes it compares what is still to write with `canBeHad`;
// when the rest does not fit, or `stop` is requested, it gives back what it has and returns null.
// While the block exists the process offers itself first to the kernel's out-of-memory killer.
std::unique_ptr<MemoryBlock> ClaimMemory(std::uint64_t bytes,
                                         const std::function<std::optional<std::uint64_t>()>& canBeHad,
                                         std::uint64_t checkEvery = kClaimCheckEvery, std::stop_token stop = {});
std::unique_ptr<MemoryBlock> ClaimMemory(std::uint64_t bytes, std::stop_token stop = {});

// ClaimMemory done by a short-lived child process, which holds the block until the returned one is
// destroyed; then the child ends and the kernel takes the memory back before the destructor returns.
// Should the kernel have to kill to find memory after all (another program grows meanwhile), the
// child, offered first, is what it takes: the program itself lives on. A stop request ends the child
// at once and gives null.
std::unique_ptr<MemoryBlock> ClaimMemoryInChild(std::uint64_t bytes, std::stop_token stop = {});

// The child holding a block of ClaimMemoryInChild, for tests; 0 when the block is not such a one.
int ClaimingChild(const MemoryBlock& block);

// A block claimed by ClaimMemory; its bytes are readable for tests and benchmarks.
class ClaimedBlock : public MemoryBlock {
public:
    ~ClaimedBlock() override;
    std::uint64_t size() const override { return size_; }
    const unsigned char* data() const { return data_; }

private:
    friend std::unique_ptr<MemoryBlock> ClaimMemory(std::uint64_t bytes,
                                                    const std::function<std::optional<std::uint64_t>()>& canBeHad,
                                                    std::uint64_t checkEvery, std::stop_token stop);
    ClaimedBlock(unsigned char* data, std::uint64_t size, std::size_t mapped, int restoreOomScore)
        : data_(data), size_(size), mapped_(mapped), restoreOomScore_(restoreOomScore) {}
    unsigned char* data_;
    std::uint64_t size_;
    std::size_t mapped_;   // the mapping's length from data_
    int restoreOomScore_;  // what /proc/self/oom_score_adj held before the claim; INT32_MIN: untouched
};

// The process's current oom_score_adj; nothing when it cannot be read.
std::optional<int> OomScoreAdj();

}  // namespace platform::linux_impl
