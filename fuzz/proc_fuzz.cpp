// The /proc and control-group readers: any text gives figures or nothing, never a crash, and the
// figures keep their promises (a load is a percentage, what can be had never exceeds what exists, a
// mount point comes from the text).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/drives.h"
#include "platform/linux/memory_claim.h"
#include "platform/linux/proc_parse.h"

using namespace platform::linux_impl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const MemInfo info = ParseMeminfo(text);
    for (int mode : {0, 1, 2, ParseOvercommitMode(text)}) {
        const platform::MemoryStatus status = ToMemoryStatus(info, mode);
        if (status.availPhys > status.totalPhys && status.totalPhys != 0) std::abort();
    }
    (void)MemoryThatCanBeHad(text);

    const std::optional<CpuTimes> a = ParseCpuTimes(text);
    const std::size_t half = size / 2;
    const std::optional<CpuTimes> b = ParseCpuTimes(text.substr(half));
    if (a && b && CpuLoadPercent(*a, *b) > 100) std::abort();

    // A drive's file-system name is its type with the first letter raised, never anything longer.
    for (const MountEntry& m : ParseMountInfo(text)) {
        if (m.point.size() > size) std::abort();
        if (IsDriveMount(m) && FileSystemName(m).size() > m.type.size()) std::abort();
    }

    // A /proc/self/cgroup text over a tree whose every file holds the second half of the input.
    const std::string tail(text.substr(half));
    (void)CgroupMemoryRoom(text.substr(0, half), [&](const std::string&) { return std::optional<std::string>(tail); });
    return 0;
}
