// The free-up engine: pop-up, pending events, sound, claim and hide, in that order, and a free-up
// never inside another one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"
#include "freeup/form2.h"

namespace {

constexpr std::uint64_t MiB = 1048576;

struct FreeupEngineTest : apptest::ProgramTest {
    tarnolux::Form5& f;
    std::vector<std::string> log;

    FreeupEngineTest() : f(Start()) {
        f.PopupTexts[0] = "Freeing memory...";
        sys.AddFile("/snd/ding.wav", "RIFF");
        f.Text6->setText("/snd/ding.wav");
        sys.claimRequests.clear();
        host.doEventsCount = 0;
        host.windowPos.clear();
    }

    void Options(bool popup, bool sound) {
        f.Check4(2).setValue(popup ? 1 : 0);
        f.Check4(3).setValue(sound ? 1 : 0);
    }
    bool PopupVisible() const { return program->form2Loaded() && program->form2().visible(); }

    void Free(std::int32_t mb) { f.DefragMemoryNow(mb); }

    // Records each outside step with whether the pop-up showed at that moment.
    void Record() {
        const auto shown = [this] { return std::string(PopupVisible() ? " (pop-up shown)" : ""); };
        host.onDoEvents = [this, shown] { log.push_back("events after " + std::to_string(host.windowPos.size()) + " stacking calls" + shown()); };
        sys.onPlayWave = [this, shown](const std::string& path) { log.push_back("sound " + path + shown()); };
        sys.onClaim = [this, shown](std::uint64_t bytes) { log.push_back("claim " + std::to_string(bytes / MiB) + " MB" + shown()); };
        host.onRunAside = [this, shown] { log.push_back("aside" + shown()); };
    }
};

TEST_F(FreeupEngineTest, ShowsThePopUpThenLetsEventsRunThenPlaysThenClaimsThenHides) {
    Options(true, true);
    Record();
    Free(21);

    // The pop-up's own activation lets events run between its two stacking calls; then the engine
    // once, and it waits until the pop-up is painted. The sound and the claim run aside, while
    // events go on being served; the release too, once the pop-up is hidden.
    EXPECT_EQ(log, (std::vector<std::string>{
                       "events after 1 stacking calls (pop-up shown)",
                       "events after 2 stacking calls (pop-up shown)",
                       "aside (pop-up shown)",
                       "sound /snd/ding.wav (pop-up shown)",
                       "claim 21 MB (pop-up shown)",
                       "aside",
                   }));
    EXPECT_EQ(host.painted, std::vector<forms::Form*>{&program->form2()});
    EXPECT_FALSE(PopupVisible());
    EXPECT_EQ(sys.liveBlocks, 0);
    EXPECT_FALSE(f.Defragging);
}

TEST_F(FreeupEngineTest, ThePopUpAsDesigned) {
    Options(true, false);
    Free(1);
    tarnolux::Form2& popup = program->form2();

    // Title line, an empty line, the language text; carriage returns alone.
    EXPECT_EQ(popup.Check1->caption(), "       Tarnolux   v.1.8\r\rFreeing memory...");

    // Centred, brought to the front once at its pixel rectangle (375.47 rounded), not left on top.
    EXPECT_EQ(popup.left(), (host.screenWidth - 4095) / 2);
    ASSERT_EQ(host.windowPos.size(), 2u);
    EXPECT_EQ(host.windowPos[0].x, 5632 / 15);
    EXPECT_EQ(host.windowPos[1].insertAfter, host::HWND_NOTOPMOST);
    EXPECT_TRUE(host.focusCalls.empty() || host.focusCalls.back() != popup.Check1);
}

TEST_F(FreeupEngineTest, WithBothOptionsOffOnlyTheBlockIsClaimed) {
    Options(false, false);
    Free(1);
    EXPECT_EQ(sys.claimRequests, std::vector<std::uint64_t>{MiB});
    EXPECT_FALSE(program->form2Loaded());
    EXPECT_TRUE(host.windowPos.empty() && sys.playedWaves.empty() && host.painted.empty());
    EXPECT_EQ(host.doEventsCount, 1);
}

TEST_F(FreeupEngineTest, TheSoundPlaysOnlyWhenItsFileExists) {
    Options(false, true);
    sys.RemoveFile("/snd/ding.wav");  // chosen once, gone since
    Free(2);
    EXPECT_TRUE(sys.playedWaves.empty());
    EXPECT_EQ(sys.claimRequests, std::vector<std::uint64_t>{2 * MiB});

    // Read-only, hidden and system files count.
    sys.AddFile("/snd/.quiet.wav", "RIFF", platform::vbReadOnly | platform::vbHidden | platform::vbSystem);
    f.Text6->setText("/snd/.quiet.wav");
    sys.playWaveResult = false;  // whatever the player answers, the engine goes on
    Free(2);
    EXPECT_EQ(sys.playedWaves, std::vector<std::string>{"/snd/.quiet.wav"});
    EXPECT_EQ(sys.claimRequests.size(), 2u);
}

TEST_F(FreeupEngineTest, AnyAmountIsClaimedInFullAndNothingBelowOne) {
    Options(true, true);
    // 2048 MB and more overflowed once; they are claimed like any other amount now.
    for (std::int32_t mb : {2047, 2048, 4096, 65536}) Free(mb);
    EXPECT_EQ(sys.claimRequests, (std::vector<std::uint64_t>{2047 * MiB, 2048 * MiB, 4096 * MiB, 65536 * MiB}));

    // Nothing to claim, but the pop-up and the sound still come.
    Free(0);
    Free(-5);
    EXPECT_EQ(sys.claimRequests.size(), 4u);
    EXPECT_EQ(sys.playedWaves.size(), 6u);
    EXPECT_EQ(host.windowPos.size(), 12u);
    EXPECT_FALSE(PopupVisible());
}

TEST_F(FreeupEngineTest, MemoryThatCannotBeHadClaimsNothingAndTheProgramGoesOn) {
    f.Check4(2).setValue(1);
    sys.claimableBytes = 100 * MiB;
    Free(2047);
    Free(100);
    EXPECT_EQ(sys.claimRequests, (std::vector<std::uint64_t>{2047 * MiB, 100 * MiB}));
    EXPECT_EQ(sys.liveBlocks, 0);
    EXPECT_FALSE(PopupVisible() || f.Defragging);
    EXPECT_TRUE(host.msgBoxes.empty());
    EXPECT_TRUE(f.loaded());
}

TEST_F(FreeupEngineTest, AFreeUpNeverStartsInsideAnother) {
    Options(true, true);
    // Memory is low: while events run, the limit trigger ticks and the menu command is chosen.
    sys.memory.availPhys = 1 * MiB;
    f.Check7->setValue(0);
    int nested = 0;
    host.onDoEvents = [&] {
        ++nested;
        host.Advance(1000);
        std::int32_t mb = 5;
        f.DefragMemoryNow(mb);
    };
    sys.onPlayWave = [&](const std::string&) {
        std::int32_t mb = 6;
        f.DefragMemoryNow(mb);
    };
    Free(21);
    EXPECT_EQ(nested, 2);  // the pop-up's activation and the engine's own step
    EXPECT_EQ(sys.claimRequests, std::vector<std::uint64_t>{21 * MiB});
    EXPECT_EQ(sys.playedWaves.size(), 1u);
    EXPECT_FALSE(f.Defragging);

    // Once it is over, the next one runs.
    host.onDoEvents = nullptr;
    sys.onPlayWave = nullptr;
    host.Advance(1000);
    EXPECT_EQ(sys.claimRequests.size(), 2u);
}

TEST_F(FreeupEngineTest, AnEndOfSessionDuringTheClaimAbandonsItAndSavesTheSettings) {
    f.Check4(2).setValue(1);
    f.Text2(4).setText("33");
    sys.onClaim = [&](std::uint64_t) { host.EndSession(); };
    Free(600);

    EXPECT_EQ(sys.stoppedClaims, 1);
    EXPECT_EQ(sys.liveBlocks, 0);
    EXPECT_FALSE(f.loaded() || f.Defragging);
    EXPECT_TRUE(host.quitCalled);
    EXPECT_EQ(host.exitCode, 0);
    EXPECT_EQ(Stored("FreeUpMemory"), "33");

    // Asked to end while the sound still plays: it is cut short and nothing is claimed.
    sys.onClaim = nullptr;
    sys.claimRequests.clear();
    tarnolux::Form5& again = Start();
    host.quitCalled = false;
    again.Check4(3).setValue(1);
    again.Text6->setText("/snd/ding.wav");
    sys.onPlayWave = [&](const std::string&) { host.EndSession(); };
    sys.playWaveResult = true;
    std::int32_t mb = 20;
    again.DefragMemoryNow(mb);
    EXPECT_TRUE(host.quitCalled);
    EXPECT_EQ(sys.stoppedClaims, 1);
    EXPECT_EQ(sys.claimRequests.size(), 0u);
}

}  // namespace

