#include "platform/linux/memory_claim.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

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

// A byte count as the control-group files write it; "max" is no limit.
std::optional<std::uint64_t> CgroupCount(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
    if (text == "max") return UINT64_MAX;
    std::uint64_t v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || ptr != text.data() + text.size() || ptr == text.data()) return std::nullopt;
    return v;
}

// The value of a "name 123" line of memory.stat.
std::optional<std::uint64_t> StatField(std::string_view stat, std::string_view name) {
    std::size_t at = 0;
    while (at < stat.size()) {
        std::size_t end = stat.find('\n', at);
        if (end == std::string_view::npos) end = stat.size();
        const std::string_view line = stat.substr(at, end - at);
        at = end + 1;
        if (line.size() > name.size() && line.substr(0, name.size()) == name && line[name.size()] == ' ')
            return CgroupCount(line.substr(name.size() + 1));
    }
    return std::nullopt;
}

// Version 1 writes "no limit" as the largest multiple of the page size; nothing near it is a limit.
constexpr std::uint64_t kNoLimit = std::uint64_t{1} << 60;

void Reap(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// The block a claiming child holds: closing the pipe lets the child end, and the memory is back when
// the child has been reaped.
class ChildBlock final : public MemoryBlock {
public:
    ChildBlock(pid_t pid, int release, std::uint64_t size) : pid_(pid), release_(release), size_(size) {}
    ~ChildBlock() override {
        ::close(release_);
        Reap(pid_);
    }
    ChildBlock(const ChildBlock&) = delete;
    ChildBlock& operator=(const ChildBlock&) = delete;
    std::uint64_t size() const override { return size_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_;
    int release_;
    std::uint64_t size_;
};

[[noreturn]] void RunClaimingChild(std::uint64_t bytes, int release, int report, pid_t parent) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive the thread that waits for us
    if (::getppid() != parent) ::_exit(1);
    // The program's own handling of signals is not the child's: a signal simply ends it.
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) ::signal(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    const std::unique_ptr<MemoryBlock> block = ClaimMemory(bytes);
    const char answer = block ? '1' : '0';
    if (::write(report, &answer, 1) == 1 && block) {
        char c;
        while (::read(release, &c, 1) < 0 && errno == EINTR) {
        }
    }
    ::_exit(0);  // the kernel takes the block back; nothing of the parent's is run down here
}

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
    return SubtractOrZero(can, reserve);
}

std::optional<std::uint64_t> CgroupMemoryRoom(std::string_view procSelfCgroup, const CgroupReader& read,
                                              const std::string& root) {
    std::optional<std::uint64_t> room;
    // From the group itself up to the root of the tree: every limited level counts.
    const auto walk = [&](const std::string& base, std::string_view path, const char* limitFile, const char* usageFile,
                          std::string_view inactiveField) {
        while (!path.empty() && path.back() == '/') path.remove_suffix(1);
        std::string dir = base + std::string(path);
        for (;;) {
            const std::optional<std::string> limitText = read(dir + "/" + limitFile);
            const std::optional<std::uint64_t> limit = limitText ? CgroupCount(*limitText) : std::nullopt;
            if (limit && *limit < kNoLimit) {
                const std::optional<std::string> usageText = read(dir + "/" + usageFile);
                // A usage that cannot be read leaves no room rather than all of it.
                const std::uint64_t usage = usageText ? CgroupCount(*usageText).value_or(*limit) : *limit;
                const std::optional<std::string> stat = read(dir + "/memory.stat");
                const std::uint64_t inactive = stat ? StatField(*stat, inactiveField).value_or(0) : 0;
                const std::uint64_t used = SubtractOrZero(usage, inactive);
                const std::uint64_t reserve = std::max<std::uint64_t>(*limit / 20, std::uint64_t{16} << 20);
                const std::uint64_t here = SubtractOrZero(*limit, used + reserve);
                room = room ? std::min(*room, here) : here;
            }
            if (dir.size() <= base.size()) break;
            dir.resize(std::max(dir.rfind('/'), base.size()));
        }
    };
    std::size_t at = 0;
    while (at < procSelfCgroup.size()) {
        std::size_t end = procSelfCgroup.find('\n', at);
        if (end == std::string_view::npos) end = procSelfCgroup.size();
        const std::string_view line = procSelfCgroup.substr(at, end - at);
        at = end + 1;
        const std::size_t c1 = line.find(':');
        const std::size_t c2 = c1 == std::string_view::npos ? c1 : line.find(':', c1 + 1);
        if (c2 == std::string_view::npos) continue;
        const std::string_view id = line.substr(0, c1), controllers = line.substr(c1 + 1, c2 - c1 - 1);
        const std::string_view path = line.substr(c2 + 1);
        if (!path.starts_with('/') || path.find("/..") != std::string_view::npos) continue;
        if (id == "0" && controllers.empty()) {
            walk(root, path, "memory.max", "memory.current", "inactive_file");
            continue;
        }
        for (std::size_t from = 0; from <= controllers.size();) {
            std::size_t comma = controllers.find(',', from);
            if (comma == std::string_view::npos) comma = controllers.size();
            if (controllers.substr(from, comma - from) == "memory")
                walk(root + "/memory", path, "memory.limit_in_bytes", "memory.usage_in_bytes", "total_inactive_file");
            from = comma + 1;
        }
    }
    return room;
}

std::optional<std::uint64_t> MemoryThatCanBeHad(std::string_view meminfo, std::string_view procSelfCgroup,
                                                const CgroupReader& read, const std::string& root) {
    const std::optional<std::uint64_t> can = MemoryThatCanBeHad(meminfo);
    if (!can) return can;
    const auto room = CgroupMemoryRoom(procSelfCgroup, read, root);
    return room ? std::min(*can, *room) : can;
}

std::optional<std::uint64_t> MemoryThatCanBeHad() {
    char buf[8192], cgroup[8192];
    std::size_t len = 0, cgroupLen = 0;
    if (!ReadSmallFile("/proc/meminfo", buf, sizeof buf, len)) return std::nullopt;
    if (!ReadSmallFile("/proc/self/cgroup", cgroup, sizeof cgroup, cgroupLen)) cgroupLen = 0;
    return MemoryThatCanBeHad(std::string_view(buf, len), std::string_view(cgroup, cgroupLen),
                              [](const std::string& path) -> std::optional<std::string> {
                                  char text[4096];
                                  std::size_t n = 0;
                                  if (!ReadSmallFile(path.c_str(), text, sizeof text, n)) return std::nullopt;
                                  return std::string(text, n);
                              });
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
                                         std::uint64_t checkEvery, std::stop_token stop) {
    if (bytes == 0 || stop.stop_requested()) return nullptr;
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
        if (stop.stop_requested()) return nullptr;  // the block gives back what it has
        if (done > 0 && !fits(bytes - done)) return nullptr;
        const std::uint64_t n = std::min(checkEvery, bytes - done);
        FillBlank(data + done, static_cast<std::size_t>(n));
        done += n;
    }
    return block;
}

std::unique_ptr<MemoryBlock> ClaimMemory(std::uint64_t bytes, std::stop_token stop) {
    return ClaimMemory(bytes, [] { return MemoryThatCanBeHad(); }, kClaimCheckEvery, std::move(stop));
}

std::unique_ptr<MemoryBlock> ClaimMemoryInChild(std::uint64_t bytes, std::stop_token stop) {
    if (bytes == 0 || stop.stop_requested()) return nullptr;
    int release[2], report[2];
    if (::pipe2(release, O_CLOEXEC) != 0) return nullptr;
    if (::pipe2(report, O_CLOEXEC) != 0) {
        ::close(release[0]);
        ::close(release[1]);
        return nullptr;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(release[1]);
        ::close(report[0]);
        RunClaimingChild(bytes, release[0], report[1], parent);
    }
    ::close(release[0]);
    ::close(report[1]);
    if (pid < 0) {
        ::close(release[1]);
        ::close(report[0]);
        return nullptr;
    }
    char answer = '0';
    {
        // A stop ends the child at once; its end closes the pipe and the read below returns.
        const std::stop_callback onStop(stop, [pid] { ::kill(pid, SIGKILL); });
        ssize_t n;
        while ((n = ::read(report[0], &answer, 1)) < 0 && errno == EINTR) {
        }
        if (n != 1) answer = '0';
    }
    ::close(report[0]);
    if (answer == '1' && !stop.stop_requested()) return std::make_unique<ChildBlock>(pid, release[1], bytes);
    ::close(release[1]);
    Reap(pid);
    return nullptr;
}

int ClaimingChild(const MemoryBlock& block) {
    const auto* child = dynamic_cast<const ChildBlock*>(&block);
    return child ? child->pid() : 0;
}

}  // namespace platform::linux_impl
