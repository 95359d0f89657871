// The skin reader and its application, whole: any file chosen as a skin either colours the window
// or changes nothing, and the program goes on. The pure reader must agree with itself: the entry a
// key finds is the first line that names it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/form5.h"
#include "appearance/skin_file.h"

#include "program_world.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const tarnolux::SkinFile skin = tarnolux::ParseSkin(text);
    for (const tarnolux::SkinEntry& e : skin.entries) {
        if (e.key.empty()) continue;
        const tarnolux::SkinEntry* first = skin.Find(e.key);
        if (!first || first->key != e.key || first > &e) std::abort();
    }

    static ProgramWorld world;
    const std::string path = "/opt/tarnolux/Skins/fuzzed.ini";
    world.sys.AddFile(path, std::string(text));
    world.program->form5().LoadSkin(path);
    world.host.msgBoxes.clear();
    return 0;
}
