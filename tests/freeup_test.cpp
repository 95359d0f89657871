// The free-up engine, its limit and periodic triggers, the processor gate and the page's spin bars.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "app_fixture.h"
#include "freeup/form2.h"

namespace {

// A 128 MB machine: limit 8 MB, amount 21 MB, periodic 16 MB every 10, processor gate on at 25 %.
struct FreeupTest : apptest::ProgramTest {
    tarnolux::Form5& f;
    FreeupTest() : f(Start()) {
        f.PopupTexts[0] = "Freeing memory...";
        sys.AddFile("/snd/ding.wav", "RIFF");
        f.Text6->setText("/snd/ding.wav");
        Options(false, false);
    }
    void Options(bool popup, bool sound) {
        f.Check4(2).setValue(popup ? 1 : 0);
        f.Check4(3).setValue(sound ? 1 : 0);
    }
    bool PopupVisible() const { return program->form2Loaded() && program->form2().visible(); }
    void Free(std::int32_t mb) { form().DefragMemoryNow(mb); }
    void FreeMemoryMB(std::uint64_t mb) { sys.memory.availPhys = mb * MiB; }
};

// Freeing every second would only slow the machine down: 30 s, doubling up to 5 min, until memory recovers.
TEST_F(FreeupTest, TheLimitTriggerFiresAtTheLimitAndBacksOffWhileAFreeUpDoesNotHelp) {
    f.Text2(3).setText("2");  // typed: in effect at the next start only
    f.Text2(4).setText("50");
    FreeMemoryMB(9);  // above the limit: nothing yet
    host.Advance(1000);
    FreeMemoryMB(8);
    sys.memory.availPhys += 1023;  // a part of a megabyte does not count
    std::vector<std::int64_t> freedAt;
    sys.onClaim = [&](std::uint64_t) { freedAt.push_back(host.now()); };
    host.Advance(30 * 60 * 1000);
    std::vector<std::int64_t> gaps;
    for (std::size_t i = 1; i < freedAt.size(); ++i) gaps.push_back((freedAt[i] - freedAt[i - 1]) / 1000);
    EXPECT_EQ(gaps, (std::vector<std::int64_t>{30, 60, 120, 240, 300, 300, 300, 300}));
    EXPECT_EQ(sys.claimRequests, std::vector<std::uint64_t>(9, 21 * MiB));

    FreeMemoryMB(100);  // recovered: the next fall is answered at once, the wait starts short again
    host.Advance(1000);
    FreeMemoryMB(8);
    freedAt.clear();
    const std::int64_t fell = host.now();
    host.Advance(40000);
    EXPECT_EQ(freedAt, (std::vector<std::int64_t>{fell + 1000, fell + 31000}));
}

// The threshold is read afresh at every tick; one that is not a whole number holds all back.
TEST_F(FreeupTest, TheProcessorGateHoldsBackAtTheThreshold) {
    const std::tuple<bool, std::uint32_t, std::string, bool> ticks[] = {
        {true, 25, "25", false}, {true, 24, "25", true}, {true, 24, "20", false}, {true, 0, "many", false},
        {false, 100, "25", true}};
    for (const auto& [gate, load, threshold, frees] : ticks) {
        f.Check7->setValue(gate ? 1 : 0);
        EXPECT_EQ(f.Text2(7).enabled() && f.VScroll10->enabled(), gate);
        f.Text2(7).setText(threshold);
        sys.cpuLoad = load;
        sys.claimRequests.clear();
        sys.counterReads.clear();
        FreeMemoryMB(1);
        f.Timer4_Timer();
        EXPECT_EQ(sys.claimRequests.size(), frees ? 1u : 0u) << load << " of " << threshold;
        EXPECT_EQ(sys.counterReads.size(), gate && threshold != "many" ? 2u : 0u);
        FreeMemoryMB(100);  // recovered: the next tick owes no wait
        f.Timer4_Timer();
    }
}

// Each step changes one thing and lets periods of 65535 ms pass; then what was freed and the count.
TEST_F(FreeupTest, ThePeriodicTriggerFreesUnderItsCeilingOncePerPeriodCount) {
    sys.cpuLoad = 0;
    f.Check3->setValue(1);
    const std::tuple<std::function<void()>, int, std::vector<std::uint64_t>, int> steps[] = {
        {[&] { f.Text4->setText("3"), FreeMemoryMB(16); }, 2, {}, 2},  // at the 16 MB ceiling, above the limit
        {nullptr, 1, {16 * MiB}, 0},
        {nullptr, 2, {}, 2},
        {[&] { f.Text4->setText("1"); }, 1, {16 * MiB}, 0},   // lowered below the count: the next tick fires
        {[&] { f.Text3->setText("20"); }, 1, {20 * MiB}, 0},  // the ceiling is read afresh
        {[&] { sys.cpuLoad = 25; }, 1, {}, 0},                // the processor gate applies
        {[&] { sys.cpuLoad = 0, f.Text4->setText("2"), FreeMemoryMB(21); }, 2, {}, 0},  // above it: the period is lost
        {[&] { FreeMemoryMB(10); }, 1, {}, 1},  // a full period later, not at once
        {nullptr, 1, {20 * MiB}, 0},
        {[&] { f.Text3->setText(""); }, 2, {}, 0},  // no ceiling: the period is used up, nothing freed
        {[&] { f.Text3->setText("16"); }, 1, {}, 1},
        {[&] { f.Text4->setText("2x"); }, 5, {}, 1},  // no period: the count stops where it is
        {[&] { f.Text4->setText("3"), f.Check3->setValue(0), f.Check3->setValue(1); }, 2, {}, 2},  // counted afresh
        {nullptr, 1, {16 * MiB}, 0},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const auto& [change, periods, freed, count] = steps[i];
        if (change) change();
        sys.claimRequests.clear();
        host.Advance(periods * 65535);
        EXPECT_EQ(std::pair(sys.claimRequests, int{f.PeriodTickCount}), std::pair(freed, count)) << "step " << i;
    }
    const auto row = {f.Label12, f.Label13, f.Label14, f.Text3, f.Text4, f.VScroll6};
    f.Check3->setValue(0);
    for (forms::Control* c : row) EXPECT_FALSE(c->enabled()) << c->name();
    EXPECT_FALSE(host.Running(*f.Timer5));
    f.Check3->setValue(1);
    for (forms::Control* c : row) EXPECT_TRUE(c->enabled()) << c->name();
}

// A move steps the committed value once, short of the ends; a failed step leaves the bar where it was put.
TEST_F(FreeupTest, TheBarsFollowTheMachineAndEachUserMoveStepsOnce) {
    sys.memory.totalPhys = 64 * MiB;
    Store("CPUlessValue", "98");
    tarnolux::Form5& g = Start();
    const std::tuple<forms::Control*, int, int> ranges[] = {
        {g.VScroll1, 0, 64}, {g.VScroll4, 0, 65}, {g.VScroll5, 0, 65}, {g.VScroll6, 0, 65}, {g.VScroll7, -1, 97}};
    for (const auto& [bar, min, max] : ranges)
        EXPECT_EQ(std::pair(bar->min(), bar->max()), std::pair(min, max)) << bar->name();
    // The bar, the tag it moves from (else the machine's default), the value it moves to; value, tag, box.
    const std::tuple<forms::Control*, const char*, int, std::string, forms::Control*> moves[] = {
        {g.VScroll4, nullptr, 3, "5 5 5", &g.Text2(3)},       {g.VScroll5, nullptr, 11, "9 9 9", &g.Text2(4)},
        {g.VScroll6, nullptr, 9, "7 7 7", g.Text3},           {g.VScroll10, nullptr, 97, "98 98 98", &g.Text2(7)},
        {g.VScroll10, nullptr, 99, "97 97 97", &g.Text2(7)},  {g.VScroll10, "2", 3, "2 2 2", &g.Text2(7)},
        {g.VScroll10, "200", 50, "50 200 2", &g.Text2(7)},    {g.VScroll9, "20", 60, "19 19 19", g.Text4},
        {g.VScroll9, "20", 0, "21 21 21", g.Text4},           {g.VScroll9, "", 30, "30  21", g.Text4}};
    for (const auto& [bar, from, moved, shown, box] : moves) {
        if (from) bar->setTag(from);
        bar->setValue(moved);
        EXPECT_EQ(std::to_string(bar->value()) + " " + bar->tag() + " " + box->text(), shown) << bar->name() << ' ' << moved;
    }
    EXPECT_EQ(std::tuple(g.LimitFreeMemoryMB, g.FreeUpMemoryMB, g.ScrollStepGuard), std::tuple(5, 9, 0));
}

// The sound and the claim run aside while events are served; the release too, once the pop-up is hidden.
TEST_F(FreeupTest, ShowsThePopUpThenLetsEventsRunThenPlaysThenClaimsThenHides) {
    Options(true, true);
    std::vector<std::string> log;
    const auto shown = [this] { return std::string(PopupVisible() ? " (pop-up shown)" : ""); };
    host.onDoEvents = [&] { log.push_back("events, stacked " + std::to_string(host.windowPos.size()) + shown()); };
    sys.onPlayWave = [&](const std::string& path) { log.push_back("sound " + path + shown()); };
    sys.onClaim = [&](std::uint64_t bytes) { log.push_back("claim " + std::to_string(bytes / MiB) + " MB" + shown()); };
    host.onRunAside = [&] { log.push_back("aside" + shown()); };
    Free(21);
    EXPECT_EQ(log, (std::vector<std::string>{"events, stacked 1 (pop-up shown)", "events, stacked 2 (pop-up shown)",
                                             "aside (pop-up shown)", "sound /snd/ding.wav (pop-up shown)",
                                             "claim 21 MB (pop-up shown)", "aside"}));
    // Centred, brought to the front once at its pixel rectangle (375.47 rounded), not left on top.
    tarnolux::Form2& popup = program->form2();
    EXPECT_EQ(popup.Check1->caption(), "       Tarnolux   v.1.8\r\rFreeing memory...");
    ASSERT_EQ(host.windowPos.size(), 2u);
    EXPECT_EQ(std::pair(host.windowPos[0].x, host.windowPos[1].insertAfter), std::pair(375, host::HWND_NOTOPMOST));
    EXPECT_TRUE(host.focusCalls.empty() || host.focusCalls.back() != popup.Check1);
}

// Any amount is asked for in full (2048 MB and more overflowed once); what cannot be had, silently not.
TEST_F(FreeupTest, EachFreeUpClaimsItsAmountWithThePopUpAndTheSoundAsSwitched) {
    sys.AddFile("/snd/.quiet.wav", "RIFF", platform::vbReadOnly | platform::vbHidden | platform::vbSystem);
    sys.playWaveResult = false;
    sys.claimableBytes = 100 * MiB;
    using Work = std::tuple<std::size_t, std::size_t, int>;  // stacking calls, paintings, events served
    const std::tuple<bool, bool, std::string, std::int32_t, std::vector<std::uint64_t>, bool> cases[] = {
        {false, false, "/snd/ding.wav", 1, {MiB}, false}, {false, true, "/snd/gone.wav", 2, {2 * MiB}, false},
        {false, true, "/snd/.quiet.wav", 2, {2 * MiB}, true}, {true, true, "/snd/ding.wav", 2047, {2047 * MiB}, true},
        {true, false, "/snd/ding.wav", 65536, {65536 * MiB}, false}, {true, true, "/snd/ding.wav", 0, {}, true},
        {false, true, "/snd/ding.wav", -5, {}, true},
    };
    for (const auto& [popup, sound, file, mb, claimed, played] : cases) {
        Options(popup, sound);
        f.Text6->setText(file);
        sys.claimRequests.clear(), sys.playedWaves.clear(), host.windowPos.clear(), host.painted.clear();
        host.doEventsCount = 0;
        Free(mb);
        EXPECT_EQ(sys.claimRequests, claimed) << mb;
        EXPECT_EQ(sys.playedWaves, played ? std::vector<std::string>{file} : std::vector<std::string>{}) << mb;
        const Work work{host.windowPos.size(), host.painted.size(), host.doEventsCount};
        EXPECT_EQ(work, popup ? Work(2, 1, 2) : Work(0, 0, 1)) << mb;
        EXPECT_FALSE(PopupVisible() || f.Defragging || sys.liveBlocks || !host.msgBoxes.empty() || !f.loaded());
    }
}

// While events run (memory low), the limit trigger ticks and the menu command is chosen.
TEST_F(FreeupTest, AFreeUpNeverStartsInsideAnother) {
    Options(true, true);
    FreeMemoryMB(1);
    f.Check7->setValue(0);
    int nested = 0;
    host.onDoEvents = [&] {
        ++nested;
        host.Advance(1000);
        Free(5);
    };
    sys.onPlayWave = [&](const std::string&) { Free(6); };
    Free(21);
    // Events ran for the pop-up's activation and the engine's own step; one sound, one claim.
    EXPECT_EQ(std::tuple(nested, sys.playedWaves.size(), sys.claimRequests), std::tuple(2, 1u, std::vector{21 * MiB}));

    host.onDoEvents = nullptr;
    sys.onPlayWave = nullptr;
    host.Advance(1000);
    EXPECT_EQ(sys.claimRequests.size(), 2u);
}

// An end of the session that comes while the sound plays cuts it short, and nothing is claimed.
TEST_F(FreeupTest, AnEndOfSessionDuringTheClaimAbandonsItAndSavesTheSettings) {
    Options(true, true);
    f.Text2(4).setText("33");
    sys.onClaim = [&](std::uint64_t) { host.EndSession(); };
    Free(600);
    EXPECT_EQ(std::tuple(sys.stoppedClaims, sys.liveBlocks, host.exitCode), std::tuple(1, 0, 0));
    EXPECT_TRUE(!f.loaded() && !f.Defragging && host.quitCalled && Stored("FreeUpMemory") == "33");

    sys.onClaim = nullptr;
    sys.claimRequests.clear();
    tarnolux::Form5& again = Start();
    again.Check4(3).setValue(1);
    again.Text6->setText("/snd/ding.wav");
    sys.onPlayWave = [&](const std::string&) { host.EndSession(); };
    Free(20);
    EXPECT_EQ(std::tuple(host.quitCalled, sys.stoppedClaims, sys.claimRequests.size()), std::tuple(true, 1, 0u));
}

}  // namespace
