#include "platform/linux/memory_claim.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform::linux_impl {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr int kUntouched = INT_MIN;
constexpr int kOfferedOomScore = 1000;

// The value of a "Name:   123 kB" line, in bytes.
std::optional<std::uint64_t> MeminfoField(std::string_view text, std::string_view name) {
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (line.size() <= name.size() || line.substr(0, name.size()) != name || line[name.size()] != ':') continue;
        line.remove_prefix(name.size() + 1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        std::uint64_t kb = 0;
        const auto [ptr, ec] = std::from_chars(line.data(), line.data() + line.size(), kb);
        if (ec != std::errc() || ptr == line.data()) return std::nullopt;
        if (kb > UINT64_MAX / 1024) return std::nullopt;
        return kb * 1024;
    }
    return std::nullopt;
}

bool ReadSmallFile(const char* path, char* buf, std::size_t cap, std::size_t& len) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    len = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buf + len, cap - len);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        len += static_cast<std::size_t>(n);
        if (len == cap) break;
    }
    ::close(fd);
    return len > 0;
}

bool WriteOomScore(int value) {
    const int fd = ::open("/proc/self/oom_score_adj", O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char text[16];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    const auto len = static_cast<std::size_t>(end - text);
    const bool ok = ec == std::errc() && ::write(fd, text, len) == static_cast<ssize_t>(len);
    ::close(fd);
    return ok;
}

// Offers this process first to the out-of-memory killer; the previous value, or kUntouched.
int OfferToOomKiller() {
    const std::optional<int> before = OomScoreAdj();
    if (!before || *before >= kOfferedOomScore) return kUntouched;
    return WriteOomScore(kOfferedOomScore) ? *before : kUntouched;
}

std::uint64_t RoundUp(std::uint64_t v, std::uint64_t to) { return (v + to - 1) / to * to; }

}  // namespace

std::optional<std::uint64_t> MemoryThatCanBeHad(std::string_view meminfo) {
    const auto total = MeminfoField(meminfo, "MemTotal");
    auto available = MeminfoField(meminfo, "MemAvailable");
    if (!available) {
        // Kernels before 3.14 do not estimate it; free memory and the page cache come close.
        const auto free = MeminfoField(meminfo, "MemFree");
        const auto cached = MeminfoField(meminfo, "Cached");
        if (!free || !cached) return std::nullopt;
        available = *free + *cached + MeminfoField(meminfo, "Buffers").value_or(0);
    }
    if (!total) return std::nullopt;
    const std::uint64_t can = *available + MeminfoField(meminfo, "SwapFree").value_or(0);
    const std::uint64_t reserve = std::max<std::uint64_t>(*total / 20, std::uint64_t{64} << 20);
    return can > reserve ? can - reserve : 0;
}

std::optional<std::uint64_t> MemoryThatCanBeHad() {
    char buf[8192];
    std::size_t len = 0;
    if (!ReadSmallFile("/proc/meminfo", buf, sizeof buf, len)) return std::nullopt;
    return MemoryThatCanBeHad(std::string_view(buf, len));
}

std::optional<int> OomScoreAdj() {
    char buf[32];
    std::size_t len = 0;
    if (!ReadSmallFile("/proc/self/oom_score_adj", buf, sizeof buf, len)) return std::nullopt;
    int value = 0;
    const auto [ptr, ec] = std::from_chars(buf, buf + len, value);
    if (ec != std::errc() || ptr == buf) return std::nullopt;
    return value;
}

void FillBlank(void* p, std::size_t bytes) {
    auto* b = static_cast<unsigned char*>(p);
    std::size_t i = 0;
    const auto byteAt = [](std::size_t k) -> unsigned char { return (k & 1) ? 0x00 : 0x20; };
#if defined(__SSE2__)
    while (i < bytes && (reinterpret_cast<std::uintptr_t>(b + i) & 15) != 0) {
        b[i] = byteAt(i);
        ++i;
    }
    // Plain stores beat streaming ones here: each huge page has just been zeroed by the kernel and
    // still sits in the cache.
    const __m128i v = (i & 1) ? _mm_set1_epi16(0x2000) : _mm_set1_epi16(0x0020);
    for (; bytes - i >= 64; i += 64) {
        auto* q = reinterpret_cast<__m128i*>(b + i);
        _mm_store_si128(q, v);
        _mm_store_si128(q + 1, v);
        _mm_store_si128(q + 2, v);
        _mm_store_si128(q + 3, v);
    }
#else
    while (i < bytes && (reinterpret_cast<std::uintptr_t>(b + i) & 7) != 0) {
        b[i] = byteAt(i);
        ++i;
    }
    unsigned char pattern[8];
    for (std::size_t k = 0; k < 8; ++k) pattern[k] = byteAt(i + k);
    std::uint64_t word;
    std::memcpy(&word, pattern, 8);
    for (; bytes - i >= 32; i += 32) {
        auto* q = reinterpret_cast<std::uint64_t*>(b + i);
        q[0] = word;
        q[1] = word;
        q[2] = word;
        q[3] = word;
    }
#endif
    for (; i < bytes; ++i) b[i] = byteAt(i);
}

ClaimedBlock::~ClaimedBlock() {
    ::munmap(data_, mapped_);
    if (restoreOomScore_ != kUntouched) WriteOomScore(restoreOomScore_);
}

std::unique_ptr<MemoryBlock> ClaimMemory(std::uint64_t bytes,
                                         const std::function<std::optional<std::uint64_t>()>& canBeHad,
                                         std::uint64_t checkEvery) {
    if (bytes == 0) return nullptr;
    const auto fits = [&](std::uint64_t rest) {
        const std::optional<std::uint64_t> can = canBeHad ? canBeHad() : std::nullopt;
        return can && rest <= *can;
    };
    if (!fits(bytes)) return nullptr;
    if (bytes > (std::uint64_t{SIZE_MAX} >> 1)) return nullptr;
    // Chunks start on a pattern boundary and keep the wide stores aligned.
    checkEvery = RoundUp(std::max<std::uint64_t>(checkEvery, 1), 4096);

    // Map one huge page more than needed and trim, so the block starts on a huge-page boundary.
    const std::size_t rounded = static_cast<std::size_t>(RoundUp(bytes, kHugePage));
    const std::size_t len = rounded + kHugePage;
    void* raw = ::mmap(nullptr, len, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    auto* base = static_cast<unsigned char*>(raw);
    auto* data = reinterpret_cast<unsigned char*>(RoundUp(reinterpret_cast<std::uintptr_t>(base), kHugePage));
    const std::size_t head = static_cast<std::size_t>(data - base);
    if (head) ::munmap(base, head);
    if (len - head > rounded) ::munmap(data + rounded, len - head - rounded);
    ::madvise(data, rounded, MADV_HUGEPAGE);  // without huge pages it is slower, not wrong

    std::unique_ptr<ClaimedBlock> block(new (std::nothrow) ClaimedBlock(data, bytes, rounded, kUntouched));
    if (!block) {
        ::munmap(data, rounded);
        return nullptr;
    }
    block->restoreOomScore_ = OfferToOomKiller();

    for (std::uint64_t done = 0; done < bytes;) {
        if (done > 0 && !fits(bytes - done)) return nullptr;  // the block gives back what it has
        const std::uint64_t n = std::min(checkEvery, bytes - done);
        FillBlank(data + done, static_cast<std::size_t>(n));
        done += n;
    }
    return block;
}

std::unique_ptr<MemoryBlock> ClaimMemory(std::uint64_t bytes) {
    return ClaimMemory(bytes, [] { return MemoryThatCanBeHad(); });
}

}  // namespace platform::linux_impl
