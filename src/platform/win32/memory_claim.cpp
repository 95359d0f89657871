#include "platform/win32/memory_claim.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace platform::win32_impl {

namespace {

class CommittedBlock : public MemoryBlock {
public:
    CommittedBlock(void* base, std::uint64_t size) : base_(base), size_(size) {}
    ~CommittedBlock() override { ::VirtualFree(base_, 0, MEM_RELEASE); }
    std::uint64_t size() const override { return size_; }

private:
    void* base_;
    std::uint64_t size_;
};

void FillBlank(unsigned char* p, std::size_t bytes) {
    constexpr std::uint64_t pattern = 0x0020002000200020ull;  // 0x20 0x00 repeated, little-endian
    std::size_t i = 0;
    for (; i + 8 <= bytes; i += 8) std::memcpy(p + i, &pattern, 8);
    for (; i < bytes; ++i) p[i] = (i % 2 == 0) ? 0x20 : 0x00;
}

}  // namespace

std::optional<std::uint64_t> MemoryThatCanBeHad(std::uint64_t availCommit, std::uint64_t totalPhys) {
    const std::uint64_t reserve = std::max<std::uint64_t>(totalPhys / 20, 64ull << 20);
    return SubtractOrZero(availCommit, reserve);
}

std::optional<std::uint64_t> MemoryThatCanBeHad() {
    MEMORYSTATUSEX ms{};
    ms.dwLength = sizeof ms;
    if (!::GlobalMemoryStatusEx(&ms)) return std::nullopt;
    return MemoryThatCanBeHad(ms.ullAvailPageFile, ms.ullTotalPhys);
}

std::unique_ptr<MemoryBlock> ClaimMemory(std::uint64_t bytes,
                                         const std::function<std::optional<std::uint64_t>()>& canBeHad,
                                         std::uint64_t checkEvery, std::stop_token stop) {
    if (bytes == 0 || bytes > SIZE_MAX) return nullptr;
    const auto fits = [&](std::uint64_t rest) {
        const auto can = canBeHad();
        return can && rest <= *can;
    };
    if (!fits(bytes)) return nullptr;
    // Reserved at once, committed piece by piece: the commit charge grows only as fast as the
    // checks allow, so a machine that runs short meanwhile is never pushed over the edge.
    auto* base = static_cast<unsigned char*>(::VirtualAlloc(nullptr, static_cast<SIZE_T>(bytes), MEM_RESERVE,
                                                            PAGE_READWRITE));
    if (!base) return nullptr;
    auto block = std::make_unique<CommittedBlock>(base, bytes);
    const std::uint64_t step = std::max<std::uint64_t>(checkEvery, 1u << 16);
    for (std::uint64_t done = 0; done < bytes;) {
        const std::uint64_t piece = std::min(step, bytes - done);
        if (stop.stop_requested()) return nullptr;
        if (done > 0 && !fits(bytes - done)) return nullptr;
        if (!::VirtualAlloc(base + done, static_cast<SIZE_T>(piece), MEM_COMMIT, PAGE_READWRITE)) return nullptr;
        FillBlank(base + done, static_cast<std::size_t>(piece));
        done += piece;
    }
    return block;
}

std::unique_ptr<MemoryBlock> ClaimMemory(std::uint64_t bytes, std::stop_token stop) {
    return ClaimMemory(bytes, [] { return MemoryThatCanBeHad(); }, kClaimCheckEvery, stop);
}

}  // namespace platform::win32_impl
