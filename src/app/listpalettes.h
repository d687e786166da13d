#pragma once

#include <optional>

namespace RomFs {

// `cindral --list-palettes ROM`: prints the palettes found in ROM, one per
// line, without a display. Gives the exit status when argv holds that
// option, nothing otherwise (the program then starts as usual).
std::optional<int> listPalettesCommand(int argc, char *argv[]);

} // namespace RomFs
