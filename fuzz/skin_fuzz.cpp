// The skin reader and its application, whole: any file chosen as a skin either colours the window
// or changes nothing, and the program goes on. The pure reader must agree with itself: the entry a
// key finds is the first line that names it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "app/form5.h"
#include "app/program.h"
#include "appearance/skin_file.h"
#include "host/scripted_host.h"
#include "platform/fake/fake_system.h"

namespace {

struct World {
    forms::Application app;
    host::ScriptedHost host{app};
    platform::FakeSystem sys;
    std::unique_ptr<tarnolux::Program> program;
    World() {
        sys.SetMemoryMB(128, 64, 256, 200, 2048, 1900);
        program = std::make_unique<tarnolux::Program>(app, sys, host);
        program->Start();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const tarnolux::SkinFile skin = tarnolux::ParseSkin(text);
    for (const tarnolux::SkinEntry& e : skin.entries) {
        if (e.key.empty()) continue;
        const tarnolux::SkinEntry* first = skin.Find(e.key);
        if (!first || first->key != e.key || first > &e) std::abort();
    }

    static World world;
    const std::string path = "/opt/tarnolux/Skins/fuzzed.ini";
    world.sys.AddFile(path, std::string(text));
    world.program->form5().LoadSkin(path);
    world.host.msgBoxes.clear();
    return 0;
}
