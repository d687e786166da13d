#pragma once

#include <optional>

namespace RomFs {

// `cindral --find-colours ROM WORD...`: prints where the colour words lie
// in ROM, one match per line, without a display. Gives the exit status when
// argv holds that option, nothing otherwise.
std::optional<int> findColoursCommand(int argc, char *argv[]);

} // namespace RomFs
