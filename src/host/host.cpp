#include "host/host.h"

#include <algorithm>

namespace host {

std::vector<ScreenRect> Host::Screens() { return {{0, 0, ScreenWidth(), ScreenHeight()}}; }

std::string NotifyIconData::tipText() const {
    const auto end = std::find(tip.begin(), tip.end(), '\0');
    return std::string(tip.begin(), end);
}

}  // namespace host
