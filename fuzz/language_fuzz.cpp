// The language reader, whole: any file chosen as a language either fills the captions or is
// reported, and the program goes on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/form5.h"

#include "program_world.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ProgramWorld world;
    const std::string path = "/opt/tarnolux/Language/fuzzed.ini";
    world.sys.AddFile(path, std::string(reinterpret_cast<const char*>(data), size));
    tarnolux::Form5& f = world.program->form5();
    f.LoadLanguageFile(path);
    world.host.msgBoxes.clear();
    // A caption is whole UTF-8 text, however the file was encoded.
    const std::string& caption = f.Check1(0).caption();
    for (std::size_t i = 0; i < caption.size();) {
        const auto c = static_cast<unsigned char>(caption[i]);
        const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > caption.size()) std::abort();
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(caption[i + k]) & 0xC0) != 0x80) std::abort();
        i += n;
    }
    return 0;
}
