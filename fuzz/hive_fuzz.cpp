// The hive reader: any text either is refused or reads into a tree that writes out and reads back
// to the very same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/common/reg_file.h"

using platform::Registry;
namespace regfile = platform::regfile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Registry::Key root;
    if (!regfile::Parse(text, "HKEY_CURRENT_USER", root)) return 0;
    const std::string once = regfile::Serialize(root, "HKEY_CURRENT_USER");
    Registry::Key again;
    if (!regfile::Parse(once, "HKEY_CURRENT_USER", again)) std::abort();  // our own output refused
    if (regfile::Serialize(again, "HKEY_CURRENT_USER") != once) std::abort();  // lost or changed in the round trip
    return 0;
}
