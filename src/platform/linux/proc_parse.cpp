#include "platform/linux/proc_parse.h"

#include <algorithm>
#include <utility>

namespace platform::linux_impl {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The unsigned number at s[pos] after any blanks; pos ends after it.
std::optional<std::uint64_t> NumberAt(std::string_view s, std::size_t& pos) {
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
    if (pos >= s.size() || !IsDigit(s[pos])) return std::nullopt;
    std::uint64_t v = 0;
    while (pos < s.size() && IsDigit(s[pos])) {
        const auto d = static_cast<std::uint64_t>(s[pos++] - '0');
        v = v > (UINT64_MAX - d) / 10 ? UINT64_MAX : v * 10 + d;
    }
    return v;
}

std::uint64_t KiB(std::uint64_t kb) { return kb > UINT64_MAX / 1024 ? UINT64_MAX : kb * 1024; }

std::uint64_t Add(std::uint64_t a, std::uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }

}  // namespace

MemInfo ParseMeminfo(std::string_view text) {
    MemInfo info;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t eol = std::min(text.find('\n', pos), text.size());
        const std::string_view line = text.substr(pos, eol - pos);
        pos = eol + 1;
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view name = line.substr(0, colon);
        std::size_t p = colon + 1;
        const auto kb = NumberAt(line, p);
        if (!kb) continue;
        const std::uint64_t bytes = KiB(*kb);
        if (name == "MemTotal") info.memTotal = bytes;
        else if (name == "MemFree") info.memFree = bytes;
        else if (name == "MemAvailable") info.memAvailable = bytes;
        else if (name == "Buffers") info.buffers = bytes;
        else if (name == "Cached") info.cached = bytes;
        else if (name == "SwapTotal") info.swapTotal = bytes;
        else if (name == "SwapFree") info.swapFree = bytes;
        else if (name == "CommitLimit") info.commitLimit = bytes;
        else if (name == "Committed_AS") info.committedAS = bytes;
    }
    return info;
}

int ParseOvercommitMode(std::string_view text) {
    std::size_t pos = 0;
    const auto v = NumberAt(text, pos);
    return v && *v <= 2 ? static_cast<int>(*v) : 0;
}

// Old kernels: free plus the reclaimable caches is the closest figure.
std::uint64_t Available(const MemInfo& info) {
    const std::uint64_t avail =
        info.memAvailable ? *info.memAvailable : Add(Add(info.memFree, info.buffers), info.cached);
    return std::min(avail, info.memTotal);
}

MemoryReading ToMemoryReading(const MemInfo& info) {
    return {info.memFree, Available(info), Add(info.cached, info.buffers),
            SubtractOrZero(info.swapTotal, info.swapFree)};
}

MemoryStatus ToMemoryStatus(const MemInfo& info, int overcommitMode) {
    MemoryStatus m;
    m.totalPhys = info.memTotal;
    m.availPhys = Available(info);
    m.totalPageFile = info.swapTotal;
    m.availPageFile = std::min(info.swapFree, info.swapTotal);
    if (overcommitMode == 2 && info.commitLimit > 0) {
        m.totalVirtual = info.commitLimit;
        m.availVirtual = SubtractOrZero(info.commitLimit, info.committedAS);
    } else {
        m.totalVirtual = Add(m.totalPhys, m.totalPageFile);
        m.availVirtual = Add(m.availPhys, m.availPageFile);
    }
    return m;
}

std::optional<CpuTimes> ParseCpuTimes(std::string_view statText) {
    std::size_t pos = 0;
    while (pos < statText.size()) {
        const std::size_t eol = std::min(statText.find('\n', pos), statText.size());
        const std::string_view line = statText.substr(pos, eol - pos);
        pos = eol + 1;
        if (line.size() < 4 || line.substr(0, 4) != "cpu ") continue;
        CpuTimes t;
        std::size_t p = 4;
        for (int i = 0; i < 8; ++i) {
            const auto v = NumberAt(line, p);
            if (!v) {
                if (i < 4) return std::nullopt;  // user, nice, system and idle exist on every kernel
                break;
            }
            t.field[i] = *v;
        }
        return t;
    }
    return std::nullopt;
}

}  // namespace platform::linux_impl
