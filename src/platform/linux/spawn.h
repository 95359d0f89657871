// Starting a helper program without a shell and without waiting for it.
#pragma once

#include <string>
#include <vector>

namespace platform::linux_impl {

// Starts argv[0] (searched in PATH) with the arguments as given, in a session of its own, with
// stdin from /dev/null; never blocks. A background thread reaps it when it ends. False when it
// could not be started.
bool SpawnDetached(const std::vector<std::string>& argv);

}  // namespace platform::linux_impl
