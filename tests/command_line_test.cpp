// The command line and the requests a later start hands to the running instance.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

using tarnolux::CommandLine;
using tarnolux::ParseCommandLine;
using Action = CommandLine::Action;

CommandLine Parse(std::vector<std::string> args) { return ParseCommandLine(args); }

TEST(CommandLineTest, ActionsAndTheirAmounts) {
    // The toolkit's options and the start-up marker pass through.
    for (const auto& [args, action] : {std::pair{std::vector<std::string>{}, Action::Start},
                                      std::pair{std::vector<std::string>{"/Start Up"}, Action::Start},
                                      std::pair{std::vector<std::string>{"/Start", "Up"}, Action::Start},
                                      std::pair{std::vector<std::string>{"-platform", "offscreen", "--show"}, Action::Show},
                                      std::pair{std::vector<std::string>{"--quit"}, Action::Quit}})
        EXPECT_EQ(Parse(args).action, action) << testing::PrintToString(args);

    const CommandLine pageAmount = Parse({"--free-up"});
    EXPECT_EQ(pageAmount.action, Action::FreeUp);
    EXPECT_FALSE(pageAmount.freeUpMB);
    EXPECT_EQ(Parse({"--free-up", "512"}).freeUpMB, 512);
    EXPECT_EQ(Parse({"--free-up=64"}).freeUpMB, 64);
    // An option after it is not taken for its amount.
    const CommandLine then = Parse({"--free-up", "-platform", "offscreen"});
    EXPECT_EQ(then.action, Action::FreeUp);
    EXPECT_FALSE(then.freeUpMB);

    // Help and version win wherever they stand, even after a mistake would have been found.
    EXPECT_EQ(Parse({"--show", "--help"}).action, Action::Help);
    EXPECT_EQ(Parse({"--version"}).action, Action::Version);
    EXPECT_EQ(tarnolux::VersionText(), "Tarnolux 1.8");
}

TEST(CommandLineTest, MistakesAreNamed) {
    const auto error = [](std::vector<std::string> args) {
        const CommandLine c = ParseCommandLine(args);
        EXPECT_EQ(c.action, Action::Invalid);
        return c.error;
    };
    EXPECT_EQ(error({"--frobnicate"}), "unknown option '--frobnicate'");
    EXPECT_EQ(error({"notes.txt"}), "unexpected argument 'notes.txt'");
    EXPECT_EQ(error({"--show", "--quit"}), "only one of --show, --free-up and --quit can be given");
    for (const char* amount : {"0", "-5", "12MB", "1e3", "99999999999", ""})
        EXPECT_NE(error({std::string("--free-up=") + amount}).find("is not a number of megabytes"), std::string::npos)
            << amount;
    EXPECT_NE(error({"--free-up", "lots"}).find("'lots'"), std::string::npos);
}

TEST(CommandLineTest, RequestsSurviveTheTripToTheRunningInstance) {
    for (const CommandLine& c : {Parse({"--show"}), Parse({"--quit"}), Parse({"--free-up"}), Parse({"--free-up", "512"})})
        EXPECT_EQ(tarnolux::DecodeRequest(tarnolux::EncodeRequest(c)), c);
    // A plain second start asks the running instance to show itself.
    EXPECT_EQ(tarnolux::EncodeRequest(Parse({})), "show");
    for (const char* unknown : {"", "SHOW", "free-up x", "free-up 0", "quit now", "rm -rf"})
        EXPECT_FALSE(tarnolux::DecodeRequest(unknown)) << unknown;
}

}  // namespace
