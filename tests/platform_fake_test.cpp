// The fake System the program-logic tests rely on: scripted counters and memory claims that can be
// refused, so the tests built on them can fail.
#include <gtest/gtest.h>

#include <array>

#include "platform/fake/fake_system.h"

using namespace platform;

namespace {

std::uint8_t ReadCounterByte(System& sys, const std::string& key) {
    HKEY h = 0;
    if (sys.RegOpenKeyEx(HKEY_DYN_DATA, key, 0x2003F, h) != ERROR_SUCCESS) return 0xFF;
    std::array<std::uint8_t, 1024> buf{};
    std::uint32_t type = 0, size = 1024;
    const long rc = sys.RegQueryValueEx(h, "KERNEL\\CPUUsage", &type, buf.data(), &size);
    sys.RegCloseKey(h);
    return rc == ERROR_SUCCESS ? buf[0] : 0xFE;
}

TEST(FakeSystem, CountersFollowTheScriptedFields) {
    FakeSystem sys;
    sys.cpuLoad = 37;
    EXPECT_EQ(ReadCounterByte(sys, "PerfStats\\StatData"), 37);
    sys.cpuCounterRaw = std::vector<std::uint8_t>(1024, 0xAB);
    sys.cpuCounterRaw->at(0) = 12;
    EXPECT_EQ(ReadCounterByte(sys, "PerfStats\\StartStat"), 12);
    EXPECT_EQ(sys.counterReads, (std::vector<std::string>{"StatData\\KERNEL\\CPUUsage", "StartStat\\KERNEL\\CPUUsage"}));
    sys.counterKeyMissing = true;
    EXPECT_EQ(ReadCounterByte(sys, "PerfStats\\StatData"), 0xFF);
    EXPECT_EQ(sys.registry.OpenHandles(), 0u);
}

TEST(FakeSystem, RecordsClaimsAndRefusesLargeOnes) {
    FakeSystem sys;
    sys.claimableBytes = 100;
    {
        auto ok = sys.ClaimMemory(100);
        ASSERT_TRUE(ok);
        EXPECT_EQ(sys.liveBlocks, 1);
        EXPECT_FALSE(sys.ClaimMemory(101));
    }
    EXPECT_EQ(sys.liveBlocks, 0);
    EXPECT_EQ(sys.claimRequests, (std::vector<std::uint64_t>{100, 101}));
}

}  // namespace
