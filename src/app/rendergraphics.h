#pragma once

#include <optional>

// cindral --render-graphics IMAGE OFFSET OUT.png --palette OFFSET|grey
// [--format F] [--width TILES] [--tiles N]: the graphics at OFFSET as an
// indexed PNG. Nothing when the command line asks for something else.
namespace RenderGraphics {

std::optional<int> run(int argc, char *argv[]);

} // namespace RenderGraphics
