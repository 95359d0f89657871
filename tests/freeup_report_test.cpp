// What a free-up tells: its figures, why nothing was freed, the log behind --report and the report.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "app_fixture.h"
#include "freeup/reporting.h"
#include "support.h"
#include "tray/form6.h"

namespace {

using tarnolux::FreeUpOutcome;
using tarnolux::Reason;
using tarnolux::Trigger;
using Notice = platform::FakeSystem::Notification;
using R = platform::MemoryReading;

constexpr std::uint64_t MiB = 1048576;
const std::string kLogPath = "/state/tarnolux/" + tarnolux::kFreeUpLog;

// The shipped English texts; the pop-up on, the sound and the processor gate off.
struct ReportTest : apptest::ProgramTest {
    tarnolux::Form5& f;
    ReportTest() : f(Begin()) {}
    tarnolux::Form5& Begin() {
        sys.AddFile("/opt/tarnolux/Language/english.ini",
                    testsupport::ReadFile(std::string(TARNOLUX_SOURCE_DIR) + "/Language/english.ini"));
        Store({{"ShowPopUp", "1"}, {"PlaySound", "0"}, {"DefragIfCPUless", "0"}});
        return Start();
    }
    // 8 MB available, less than the 9 MB of cache (tmpfs is cache), 40 MB of swap used; the claim takes 0.45 s.
    void AtTheLimit() {
        sys.memory.availPhys = 8 * MiB;
        sys.diskCacheBytes = 9 * MiB;
        sys.memory.availPageFile = sys.memory.totalPageFile - 40 * MiB;
        sys.onClaim = [this](std::uint64_t) {
            sys.monotonicMs += 450;
            sys.memory.availPhys = 40 * MiB;
            sys.diskCacheBytes = 1 * MiB;
            sys.memory.availPageFile -= 4 * MiB;
        };
    }
    std::vector<FreeUpOutcome> Logged() {
        std::vector<FreeUpOutcome> out;
        for (const std::string& line :
             sys.ReadLog(tarnolux::kFreeUpLog, tarnolux::kFreeUpLogHeader).value_or(std::vector<std::string>{"none"}))
            out.push_back(tarnolux::FromLogLine(line).value_or(FreeUpOutcome{}));
        return out;
    }
    std::pair<int, std::string> Ask(const std::vector<std::string>& args) {
        apptest::LaterStart later(args);
        std::string said;
        later.program.Say = [&said](const std::string& line) { said += line; };
        return {later.program.Run(), said};
    }
};

// Without a notification service the tray icon's balloon tells it; without the pop-up, nothing.
TEST_F(ReportTest, EveryTriggerIsMeasuredLoggedAndTold) {
    const std::string figures = "memory 0 \u2192 39 MB, available 8 \u2192 40 MB, page cache \u22128 MB, swap +4 MB";
    const std::pair<Trigger, std::function<void()>> triggers[] = {
        {Trigger::Menu, [&] { program->form6().free_up_menu_Click(); }},
        {Trigger::Limit, [&] { f.Timer4_Timer(); }},
        {Trigger::Periodic, [&] { f.Text4->setText("1"), f.Text3->setText("21"), f.Timer5_Timer(); }},
        {Trigger::CommandLine,
         [&] { EXPECT_EQ(Ask({"--free-up", "21"}), std::pair(0, "Freed 21 MB in 0.5 s: unused " + figures)); }},
    };
    for (const auto& [trigger, run] : triggers) {
        SCOPED_TRACE(static_cast<int>(trigger));
        AtTheLimit();
        sys.unixTime += 60;
        run();
        EXPECT_EQ(Logged().back(), (FreeUpOutcome{sys.unixTime, trigger, 21, 21, Reason::Claimed, -1, 0, 0, 450,
                                                  R{0, 8 * MiB, 9 * MiB, 40 * MiB},
                                                  R{39 * MiB, 40 * MiB, 1 * MiB, 44 * MiB}}));
        ASSERT_FALSE(sys.notifications.empty());
        EXPECT_EQ(sys.notifications.back(), (Notice{"Freed 21 MB of memory", "In 0.5 s. Unused " + figures + "."}));
    }
    EXPECT_EQ(std::pair(Logged().size(), sys.notifications.size()), std::pair(std::size_t{4}, std::size_t{4}));
    const auto tells = [](const auto& call) { return (call.data.flags & host::NIF_INFO) != 0; };
    EXPECT_TRUE(std::none_of(host.trayCalls.begin(), host.trayCalls.end(), tells));  // told once, by the service
    // What was claimed is still told when the figures cannot be read, from the start or only afterwards.
    for (const bool readBefore : {false, true}) {
        sys.memoryReadable = readBefore;
        sys.onClaim = [&](std::uint64_t) { sys.memoryReadable = false, sys.monotonicMs += 450; };
        EXPECT_EQ(Ask({"--free-up", "21"}).second, "Freed 21 MB in 0.5 s (the memory figures could not be read)");
        EXPECT_EQ(sys.notifications.back(), (Notice{"Freed 21 MB of memory", "In 0.5 s."}));
    }

    sys.notifyResult = false;
    program->form6().free_up_menu_Click();
    const host::NotifyIconData& balloon = host.trayCalls.back().data;
    EXPECT_EQ(std::tuple(host.trayCalls.back().message, balloon.flags, balloon.infoTitle, balloon.info),
              std::tuple(host::NIM_MODIFY, host::NIF_MESSAGE | host::NIF_INFO, sys.notifications.back().summary,
                         sys.notifications.back().body));
    f.Check4(2).setValue(0);
    const auto told = std::pair(host.trayCalls.size(), sys.notifications.size());
    program->form6().free_up_menu_Click();
    EXPECT_EQ(std::pair(host.trayCalls.size(), sys.notifications.size()), told);
    EXPECT_EQ(Logged().size(), 8u);
}

TEST_F(ReportTest, WhyNothingWasFreedIsToldAndEndsTheLaterStartWithItsStatus) {
    const std::tuple<const char*, std::function<void(tarnolux::Form5&)>, std::vector<std::string>, int, std::string,
                     std::string>
        cases[] = {
        {"beyond the safe budget", [&](auto&) { sys.claimableBytes = 812 * MiB; }, {"--free-up", "99999999"}, 3,
         "at most 812 MB can be claimed safely now",
         "At most 812 MB can be claimed safely now; 99999999 MB were asked for."},
        {"ran short", [&](auto&) { sys.claimableBytes = 0, sys.claimBudget = 500 * MiB; }, {"--free-up", "21"}, 3,
         "memory ran short while it was being claimed; at most 500 MB can be claimed safely now",
         "Memory ran short while 21 MB were being claimed."},
        {"no amount", [&](auto& g) { g.Text2(4).setText("many"); }, {"--free-up"}, 3,
         "the amount to free is not a whole number of megabytes",
         "The amount to free is not a whole number of megabytes."},
        {"switched off", [&](auto&) { program->form6().disable_menu_Click(); }, {"--free-up", "21"}, 5,
         "Tarnolux is switched off; Enable in its menu switches it on",
         "Tarnolux is switched off; Enable in its menu switches it on."},
        {"the program ends meanwhile", [&](auto&) { sys.onClaim = [&](std::uint64_t) { host.Quit(0); }; },
         {"--free-up", "21"}, 4, "Tarnolux is ending", ""},
    };
    for (const auto& [what, setUp, args, status, line, notice] : cases) {
        SCOPED_TRACE(what);
        sys.claimableBytes = UINT64_MAX;
        sys.claimBudget.reset();
        sys.onClaim = nullptr;
        sys.notifications.clear();
        setUp(Start());
        EXPECT_EQ(Ask(args), std::pair(status, "Nothing freed: " + line));
        const std::vector<Notice> told = {{"No memory freed", notice}};
        EXPECT_EQ(sys.notifications, notice.empty() ? std::vector<Notice>{} : told);
    }
    Start();  // a request while a free-up is under way: the events served during its claim
    std::pair<int, std::string> meanwhile;
    sys.onClaim = [&](std::uint64_t) { meanwhile = Ask({"--free-up", "5"}); };
    EXPECT_EQ(Ask({"--free-up", "21"}).first, 0);
    EXPECT_EQ(meanwhile, std::pair(4, std::string("Nothing freed: another free-up is under way")));
}

TEST_F(ReportTest, AHeldBackFreeUpIsOnlyLoggedAndTheLimitTriggerLogsItOncePerFall) {
    f.Check7->setValue(1);
    sys.cpuLoad = 30;
    AtTheLimit();
    host.Advance(3000);
    sys.memory.availPhys = 100 * MiB;  // recovers, and falls again
    host.Advance(1000);
    AtTheLimit();
    host.Advance(2000);
    f.Text4->setText("1");
    f.Check3->setValue(1);
    sys.cpuLoad = 0;  // an idle processor is no reading to skip: a threshold of 0 holds it back too
    f.Text2(7).setText("0");
    sys.memory.availPhys = 16 * MiB;  // above the limit, under the periodic ceiling
    host.Advance(65535);
    std::vector<std::tuple<Trigger, Reason, std::int64_t, std::int64_t, std::int64_t>> logged;
    for (const FreeUpOutcome& o : Logged())
        logged.emplace_back(o.trigger, o.reason, o.askedMB, o.loadPercent, o.thresholdPercent);
    EXPECT_EQ(logged, (decltype(logged){{Trigger::Limit, Reason::ProcessorGate, 21, 30, 25},
                                        {Trigger::Limit, Reason::ProcessorGate, 21, 30, 25},
                                        {Trigger::Periodic, Reason::ProcessorGate, 16, 0, 0}}));
    EXPECT_TRUE(sys.notifications.empty() && sys.claimRequests.empty());
}

// Keeping the latest lines and putting aside what is no log are the System's (its contract test).
TEST_F(ReportTest, TheLogKeepsItsShareAndTheReportItsRowsOrSaysWhyNot) {
    for (int i = 0; i < 302; ++i) program->form6().free_up_menu_Click();
    ASSERT_EQ(Logged().size(), 300u);  // the latest 300, as the README says
    const std::string report = tarnolux::ReportText(sys).value();
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 21);  // the latest 20 under the heading

    sys.files.clear();
    EXPECT_EQ(tarnolux::ReportText(sys), "No free-ups recorded yet.\n");
    sys.AddFile(kLogPath, "not a log");
    EXPECT_EQ(tarnolux::ReportText(sys), std::nullopt);
}

// Lines with a field too few or too many, or one that does not read, are skipped.
TEST(FreeUpOutcomeTest, LogLinesKeepEveryFigureAndTheReportLinesUpItsColumns) {
    const FreeUpOutcome claimed{1767225600, Trigger::CommandLine, 1024, 1024, Reason::Claimed, -1, 0, 0, 12345,
                                R{2048 * MiB, 9120 * MiB, 5734 * MiB, 10 * MiB},
                                R{3010 * MiB, 9050 * MiB, 4784 * MiB, 12 * MiB}};
    EXPECT_EQ(tarnolux::LogLine(claimed), "1767225600 command-line 1024 1024 claimed -1 0 0 12345 2147483648 "
                                          "9563013120 6012534784 10485760 3156213760 9489612800 5016387584 12582912");
    const FreeUpOutcome budget{1767225700, Trigger::Periodic, 99999999, 0, Reason::SafeBudget, 812, 0, 0, 3, {}, {}};
    const FreeUpOutcome gate{1767225800, Trigger::Limit, 21, 0, Reason::ProcessorGate, -1, 30, 25, 0, {}, {}};
    const FreeUpOutcome busy{1767225661, Trigger::Menu, 21, 0, Reason::Busy, -1, 0, 0, 0, {}, {}};
    for (const FreeUpOutcome& o : {claimed, budget, gate}) EXPECT_EQ(tarnolux::FromLogLine(tarnolux::LogLine(o)), o);
    for (const char* junk :
         {"", "1 menu 1 1 claimed -1 0 0 1 - - - - - - -", "1 menu 1 1 claimed -1 0 0 1 - - - - - - - - -",
          "1 door 1 1 claimed -1 0 0 1 - - - - - - - -", "1 menu 1 1 won -1 0 0 1 - - - - - - - -",
          "1 menu 1 1  -1 0 0 1 - - - - - - -", "1 menu x 1 claimed -1 0 0 1 - - - - - - - -",
          "1 menu 1 1 claimed -1 0 0 1 -5 1 1 1 - - - -", "1 menu 1 1 claimed -1 0 0 1 1 - 1 1 - - - -"})
        EXPECT_EQ(tarnolux::FromLogLine(junk), std::nullopt) << junk;
    EXPECT_EQ(tarnolux::ReportTable({claimed, busy}, true),
              "Time                 Trigger       Asked MB  Claimed MB    Took    Unused MB  Available MB  Cache MB  "
              "Swap MB  Outcome\n"
              "2026-01-01 00:00:00  command line      1024        1024  12.3 s  2048 \u2192 3010   9120 \u2192 9050"
              "      \u2212950       +2  freed\n"
              "2026-01-01 00:01:01  menu                21           0   0.0 s            -             -         -"
              "        -  another free-up is under way\n");
}

// The answers that are a result or none make the trip in the later-start tests; a broken result is an error.
TEST(CommandLineAnswerTest, AResultWithoutAStatusOrALineIsTheRunningInstancesError) {
    for (const std::string junk : {"result x Freed", "result 3"})
        EXPECT_EQ(tarnolux::DecodeAnswer(junk), (tarnolux::Answer{1, {}, junk})) << junk;
}

}  // namespace
