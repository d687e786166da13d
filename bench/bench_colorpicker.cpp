// Painting the colour picker's field in each of its six modes and its
// slider: each runs on every drag step, so each must stay far below a frame.
#include "fieldpainter.h"

#include <benchmark/benchmark.h>

using namespace FieldPainter;

static void paintField(benchmark::State &state)
{
    const int mode = int(state.range(0));
    QImage field = newField();
    int step = 0;
    for (auto _ : state) {
        // A different value each time, as a drag gives.
        const int v = (step++ * 37) & 255;
        switch (mode) {
        case 0: Bigbox3D(field, v * 6); break;
        case 1: RainBowBigbox(field, false, true, v, 0); break;
        case 2: RainBowBigbox(field, true, false, 0, v); break;
        case 3: opt3RedPaintPicBigBox(field, v); break;
        case 4: opt4GreenPaintPicBigBox(field, v); break;
        case 5: opt5BluePaintPicBigBox(field, v); break;
        }
        benchmark::DoNotOptimize(field.constBits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(paintField)->DenseRange(0, 5)->ArgName("mode")->Unit(benchmark::kMicrosecond);

static void paintSlider(benchmark::State &state)
{
    const int mode = int(state.range(0));
    QImage slider = newSlider();
    int step = 0;
    for (auto _ : state) {
        const int v = (step++ * 37) & 255;
        switch (mode) {
        case 0: RainBowThinBox(slider); break;
        case 1: FadeThinBoxToGrey(slider, v * 6, 255); break;
        case 2:
            fill(slider, ColorModel::rgbValue(v, 255, 0));
            FadeThinBoxToBlack(slider);
            break;
        case 3: opt3RedPaintPicThinBox(slider, v, 255 - v); break;
        case 4: opt4GreenPaintPicThinBox(slider, v, 255 - v); break;
        case 5: opt5BluePaintPicThinBox(slider, v, 255 - v); break;
        }
        benchmark::DoNotOptimize(slider.constBits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(paintSlider)->DenseRange(0, 5)->ArgName("mode")->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
