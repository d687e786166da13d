#pragma once

#include <optional>

namespace RomFs {

// `cindral --list-graphics ROM`: prints the graphics files found in ROM,
// one per line, without a display. Gives the exit status when argv holds
// that option, nothing otherwise.
std::optional<int> listGraphicsCommand(int argc, char *argv[]);

} // namespace RomFs
