#pragma once

#include <optional>

// The palette commands for scripts (--read-palette, --write-palette,
// --export-palette, --import-palette, --history, --restore), answered
// without a display and without any window.
namespace PaletteCommands {

// When argv holds one of the commands, runs it and answers the exit
// status: 0 done, 1 a file could not be read or written or a restore was
// refused, 2 a wrong command line. Otherwise nothing, and the program goes
// on to its windows. Call it before any application object exists.
std::optional<int> run(int argc, char *argv[]);

} // namespace PaletteCommands
