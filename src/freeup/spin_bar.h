// Vertical scroll bars used as spin buttons: each user move steps the committed value (kept in the
// bar's Tag) by one, up adding one.
#pragma once

#include <cstdint>
#include <functional>

#include "app/form5.h"

namespace tarnolux {

// The change handler shared by every spin-button bar of the main window: ignores the nested change
// that stepping raises, steps the bar, writes its value times `unit` into `box` and then runs
// `committed` (may be empty). When the step fails, nothing is written and `committed` does not run.
void SpinBarChange(Form5& form, forms::Control& bar, forms::Control& box, const std::function<void()>& committed = {},
                   std::int64_t unit = 1);

}  // namespace tarnolux
