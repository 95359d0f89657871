// The free-up: the engine (pop-up, pending events, sound, claim and hide, in that order, and a
// free-up never inside another one) and its automatic triggers (the limit and periodic
// triggers, the processor gate, the Free Memory page and its spin-button scroll bars).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "app_fixture.h"
#include "freeup/form2.h"

namespace {

constexpr std::uint64_t MiB = 1048576;
const std::string kReadLoad = "StatData\\KERNEL\\CPUUsage";
const std::string kRearm = "StartStat\\KERNEL\\CPUUsage";

// A 128 MB machine with the stored defaults: limit 8 MB, amount 21 MB, periodic 16 MB every 10,
// processor gate on at 25 %; a sound chosen, and the pop-up and the sound switched off.
struct FreeupTest : apptest::ProgramTest {
    tarnolux::Form5& f;
    std::vector<std::string> log;
    FreeupTest() : f(Start()) {
        f.PopupTexts[0] = "Freeing memory...";
        sys.AddFile("/snd/ding.wav", "RIFF");
        f.Text6->setText("/snd/ding.wav");
        Options(false, false);
        sys.claimRequests.clear();
        sys.counterReads.clear();
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
    void FreeMemoryMB(std::uint64_t mb) { sys.memory.availPhys = mb * MiB; }
    // One tick with plenty free, so the limit trigger owes no wait.
    void Recovered() {
        const std::uint64_t free = sys.memory.availPhys;
        FreeMemoryMB(100);
        f.Timer4_Timer();
        sys.memory.availPhys = free;
    }
};

TEST_F(FreeupTest, TheLimitTriggerFiresAtTheLimitAndNotAboveIt) {
    FreeMemoryMB(9);
    host.Advance(1000);
    EXPECT_TRUE(sys.claimRequests.empty());

    FreeMemoryMB(8);
    sys.memory.availPhys += 1023;  // a part of a megabyte does not count
    host.Advance(1000);
    EXPECT_EQ(sys.claimRequests, std::vector<std::uint64_t>{21 * MiB});

    // Typing a new limit or amount takes effect at the next start only.
    f.Text2(3).setText("2");
    f.Text2(4).setText("50");
    host.Advance(30000);
    EXPECT_EQ(sys.claimRequests, (std::vector<std::uint64_t>{21 * MiB, 21 * MiB}));
}

// Memory that stays at the limit after a free-up is not freed again every second (each time with
// the pop-up): the trigger waits 30 s, twice as long each time up to 5 min, until memory recovers.
TEST_F(FreeupTest, TheLimitTriggerBacksOffWhileAFreeUpDoesNotHelp) {
    f.Check4(2).setValue(1);
    FreeMemoryMB(8);
    std::vector<std::int64_t> freedAt;
    sys.onClaim = [&](std::uint64_t) { freedAt.push_back(host.now()); };
    host.Advance(30 * 60 * 1000);
    std::vector<std::int64_t> gaps;
    for (std::size_t i = 1; i < freedAt.size(); ++i) gaps.push_back((freedAt[i] - freedAt[i - 1]) / 1000);
    EXPECT_EQ(gaps, (std::vector<std::int64_t>{30, 60, 120, 240, 300, 300, 300, 300}));
    EXPECT_EQ(host.windowPos.size() / 2, freedAt.size());  // one pop-up per free-up

    // Once memory has recovered, the next fall to the limit is answered at once, and the wait
    // starts short again.
    FreeMemoryMB(100);
    host.Advance(1000);
    FreeMemoryMB(8);
    freedAt.clear();
    const std::int64_t fell = host.now();
    host.Advance(40000);
    EXPECT_EQ(freedAt, (std::vector<std::int64_t>{fell + 1000, fell + 31000}));

    // A free-up that lifts memory above the limit leaves no wait behind.
    sys.onClaim = [&](std::uint64_t) {
        freedAt.push_back(host.now());
        FreeMemoryMB(100);
    };
    host.Advance(300000);
    freedAt.clear();
    FreeMemoryMB(8);
    host.Advance(1000);
    EXPECT_EQ(freedAt.size(), 1u);
}

// The gate lets a free-up through below its threshold only, reads the threshold afresh at every
// tick (one that is not a whole number holds all back), and takes no reading while it is off.
TEST_F(FreeupTest, TheProcessorGateHoldsBackAtTheThreshold) {
    FreeMemoryMB(1);
    const struct {
        bool gate;
        std::uint32_t load;
        const char* threshold;
        bool frees;
    } ticks[] = {{true, 25, "25", false}, {true, 24, "25", true}, {true, 24, "20", false}, {true, 0, "many", false},
                 {false, 100, "25", true}};
    for (const auto& t : ticks) {
        f.Check7->setValue(t.gate ? 1 : 0);
        EXPECT_EQ(f.Text2(7).enabled() && f.VScroll10->enabled(), t.gate);
        f.Text2(7).setText(t.threshold);
        sys.cpuLoad = t.load;
        sys.claimRequests.clear();
        sys.counterReads.clear();
        f.Timer4_Timer();
        EXPECT_EQ(sys.claimRequests.size(), t.frees ? 1u : 0u) << t.load << " of " << t.threshold;
        const bool reads = t.gate && t.threshold != std::string("many");
        EXPECT_EQ(sys.counterReads.size(), reads ? 2u : 0u);
        Recovered();
    }
}

// One period is 65535 ms. Each step changes one thing and lets periods pass; then what was freed (in
// MB) and where the count of periods stands.
TEST_F(FreeupTest, ThePeriodicTriggerFreesUnderItsCeilingOncePerPeriodCount) {
    sys.cpuLoad = 0;
    f.Check3->setValue(1);
    const struct {
        std::function<void()> change;
        int periods;
        std::vector<std::uint64_t> freedMB;
        int count;
    } steps[] = {
        {[&] { f.Text4->setText("3"), FreeMemoryMB(16); }, 2, {}, 2},  // at the 16 MB ceiling, above the limit
        {nullptr, 1, {16}, 0},
        {nullptr, 2, {}, 2},
        {[&] { f.Text4->setText("1"); }, 1, {16}, 0},  // lowered below the count: the next tick fires
        {[&] { f.Text3->setText("20"); }, 1, {20}, 0},  // the ceiling is read afresh
        {[&] { sys.cpuLoad = 25; }, 1, {}, 0},          // the processor gate applies
        {[&] { sys.cpuLoad = 0, f.Text4->setText("2"), FreeMemoryMB(21); }, 2, {}, 0},  // above it: the period is lost
        {[&] { FreeMemoryMB(10); }, 1, {}, 1},  // a full period later, not at once
        {nullptr, 1, {20}, 0},
        {[&] { f.Text3->setText(""); }, 2, {}, 0},  // no ceiling: the period is used up, nothing freed
        {[&] { f.Text3->setText("16"); }, 1, {}, 1},
        {[&] { f.Text4->setText("2x"); }, 5, {}, 1},  // no period: the count stops where it is
        {[&] { f.Text4->setText("3"), f.Check3->setValue(0), f.Check3->setValue(1); }, 2, {}, 2},  // counted afresh
        {nullptr, 1, {16}, 0},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        if (steps[i].change) steps[i].change();
        sys.claimRequests.clear();
        host.Advance(steps[i].periods * 65535);
        std::vector<std::uint64_t> freed;
        for (std::uint64_t bytes : sys.claimRequests) freed.push_back(bytes / MiB);
        EXPECT_EQ(freed, steps[i].freedMB) << "step " << i;
        EXPECT_EQ(f.PeriodTickCount, steps[i].count) << "step " << i;
    }
    // The box switches its row and the timer, which counts a whole period from the moment it is ticked.
    const auto row = {f.Label12, f.Label13, f.Label14, f.Text3, f.Text4, f.VScroll6};
    host.Advance(100);
    f.Check3->setValue(0);
    for (forms::Control* c : row) EXPECT_FALSE(c->enabled()) << c->name();
    EXPECT_FALSE(host.Running(*f.Timer5));
    EXPECT_TRUE(f.VScroll9->enabled());  // the period's own bar is not part of the row
    f.Check3->setValue(1);
    for (forms::Control* c : row) EXPECT_TRUE(c->enabled()) << c->name();
    EXPECT_EQ(host.DueIn(*f.Timer5), 65535);
}

TEST_F(FreeupTest, ScrollRangesFollowTheMachine) {
    sys.memory.totalPhys = 64 * MiB;
    tarnolux::Form5& g = Start();
    const struct { forms::Control* bar; int min, max; } expected[] = {
        {g.VScroll1, 0, 64}, {g.VScroll4, 0, 65}, {g.VScroll5, 0, 65}, {g.VScroll6, 0, 65}, {g.VScroll7, -1, 97},
    };
    for (const auto& e : expected) EXPECT_EQ(std::pair(e.bar->min(), e.bar->max()), std::pair(e.min, e.max)) << e.bar->name();
    // The page starts with the defaults of that machine.
    EXPECT_EQ(g.Text2(3).text() + " " + g.Text2(4).text() + " " + g.Text3->text(), "4 10 8");
}

TEST_F(FreeupTest, EachUserMoveStepsOnceAndStopsShortOfTheEnds) {
    Store("CPUlessValue", "98");
    tarnolux::Form5& g = Start();
    ASSERT_EQ(g.VScroll10->value(), 98);
    // At 98 the up arrow (Value one less) snaps back, the down arrow steps to 97; at 2 the down
    // arrow leaves 2; dragging the thumb of VScroll9 from 20 to the bottom gives 19, to the top 21.
    const struct {
        forms::Control* bar;
        const char* from;
        int moved, want;
        forms::Control* text;
    } moves[] = {{g.VScroll10, nullptr, 97, 98, &g.Text2(7)},
                 {g.VScroll10, nullptr, 99, 97, &g.Text2(7)},
                 {g.VScroll10, "2", 3, 2, &g.Text2(7)},
                 {g.VScroll9, "20", 60, 19, g.Text4},
                 {g.VScroll9, "20", 0, 21, g.Text4}};
    for (const auto& m : moves) {
        SCOPED_TRACE(m.bar->name() + " to " + std::to_string(m.moved));
        if (m.from) m.bar->setTag(m.from);
        m.bar->setValue(m.moved);
        EXPECT_EQ(m.bar->value(), m.want);
        EXPECT_EQ(m.bar->tag(), std::to_string(m.want));
        EXPECT_EQ(m.text->text(), std::to_string(m.want));
    }
    EXPECT_EQ(g.ScrollStepGuard, 0);
}

TEST_F(FreeupTest, StepsOfTheLimitAndAmountBarsTakeEffectAtOnce) {
    f.Text2(3).setText("50");  // typed: not in effect
    EXPECT_EQ(f.LimitFreeMemoryMB, 8);
    f.VScroll4->setValue(f.VScroll4->value() - 1);  // up arrow from 8
    f.VScroll5->setValue(f.VScroll5->value() + 1);  // down arrow from 21
    f.VScroll6->setValue(f.VScroll6->value() + 1);
    EXPECT_EQ(f.Text2(3).text() + " " + f.Text2(4).text() + " " + f.Text3->text(), "9 20 15");
    EXPECT_EQ(std::pair(f.LimitFreeMemoryMB, f.FreeUpMemoryMB), std::pair(9, 20));
}

TEST_F(FreeupTest, AFailedStepLeavesTheBarWhereTheUserPutItAndChangesNothing) {
    std::int16_t result = -1;
    f.VScroll9->setTag("");
    f.VScroll9->setValue(30);
    EXPECT_EQ(f.VScroll9->value(), 30);
    EXPECT_EQ(f.Text4->text(), "10");
    f.StepScrollValue(*f.VScroll9, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(f.ScrollStepGuard, 0);

    // A committed value outside the range cannot be stepped.
    f.VScroll10->setTag("200");
    f.VScroll10->setValue(50);
    EXPECT_EQ(f.VScroll10->value(), 50);
    EXPECT_EQ(f.VScroll10->tag(), "200");
    EXPECT_EQ(f.Text2(7).text(), "25");
}


TEST_F(FreeupTest, ShowsThePopUpThenLetsEventsRunThenPlaysThenClaimsThenHides) {
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

TEST_F(FreeupTest, ThePopUpAsDesigned) {
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

// Any amount is asked for in full (2048 MB and more overflowed once), nothing below one; what
// cannot be had is given up without a word. The pop-up and the sound, each when switched on, come
// all the same; the sound plays only when its file exists (read-only, hidden and system files
// count), whatever the player answers.
TEST_F(FreeupTest, EachFreeUpClaimsItsAmountWithThePopUpAndTheSoundAsSwitched) {
    sys.AddFile("/snd/.quiet.wav", "RIFF", platform::vbReadOnly | platform::vbHidden | platform::vbSystem);
    sys.playWaveResult = false;
    sys.claimableBytes = 100 * MiB;
    const struct {
        bool popup, sound;
        const char* file;
        std::int32_t mb;
        std::vector<std::uint64_t> claimedMB;
        bool played;
    } cases[] = {
        {false, false, "/snd/ding.wav", 1, {1}, false},   {false, true, "/snd/gone.wav", 2, {2}, false},
        {false, true, "/snd/.quiet.wav", 2, {2}, true},   {true, true, "/snd/ding.wav", 2047, {2047}, true},
        {true, false, "/snd/ding.wav", 65536, {65536}, false}, {true, true, "/snd/ding.wav", 0, {}, true},
        {false, true, "/snd/ding.wav", -5, {}, true},
    };
    for (const auto& c : cases) {
        Options(c.popup, c.sound);
        f.Text6->setText(c.file);
        sys.claimRequests.clear(), sys.playedWaves.clear(), host.windowPos.clear(), host.painted.clear();
        host.doEventsCount = 0;
        Free(c.mb);
        std::vector<std::uint64_t> claimed;
        for (std::uint64_t bytes : sys.claimRequests) claimed.push_back(bytes / MiB);
        EXPECT_EQ(claimed, c.claimedMB) << c.mb;
        EXPECT_EQ(sys.playedWaves, c.played ? std::vector<std::string>{c.file} : std::vector<std::string>{}) << c.mb;
        // The pop-up is brought to the front once, painted, and lets events run once more.
        EXPECT_EQ(std::tuple(host.windowPos.size(), host.painted.size(), host.doEventsCount),
                  c.popup ? std::tuple(std::size_t{2}, std::size_t{1}, 2) : std::tuple(std::size_t{0}, std::size_t{0}, 1))
            << c.mb;
        EXPECT_FALSE(PopupVisible() || f.Defragging || sys.liveBlocks || !host.msgBoxes.empty() || !f.loaded());
    }
}

TEST_F(FreeupTest, AFreeUpNeverStartsInsideAnother) {
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

TEST_F(FreeupTest, AnEndOfSessionDuringTheClaimAbandonsItAndSavesTheSettings) {
    Options(true, true);
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
