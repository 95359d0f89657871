#include <cstdint>

#include "app/form5.h"
#include "common/convert.h"
#include "settings/modules.h"

namespace tarnolux {

void Form5::Timer3_Timer() {
    // A byte count: a reading of 2 GB or more is not negative.
    const auto bytes = static_cast<std::uint32_t>(
        Registry::GetDwordValue(P.sys, platform::HKEY_DYN_DATA, "PerfStats\\StatData", "VMM\\cpgDiskcache"));
    Label9->setCaption(CacheTexts[5] + FormatFixed2(static_cast<double>(bytes) / 1024 / 1024) + " MB.");
}

}  // namespace tarnolux
