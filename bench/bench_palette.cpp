// The codec and the palette file round trip: a palette load decodes 16
// words and paints 16 swatches; a write-back encodes and writes 32 bytes.
#include "module1.h"
#include "rompalette.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

static void wordTextToSwatchColour(benchmark::State &state)
{
    const QString texts[] = { QStringLiteral("FF7F"), QStringLiteral("1F00"),
                              QStringLiteral("E003"), QStringLiteral("9452") };
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(Module1::GBAColorToRGBHex(texts[i++ & 3], true));
}
BENCHMARK(wordTextToSwatchColour);

static void rgbHexToWordText(benchmark::State &state)
{
    const QString hex = QStringLiteral("FF8000");
    for (auto _ : state)
        benchmark::DoNotOptimize(Module1::RGBHexToGBAColor(hex));
}
BENCHMARK(rgbHexToWordText);

static void readAndWritePalette(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.nds"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QByteArray(64 * 1024, '\x11'));
    file.close();
    RomPalette::Bytes bytes{};
    for (auto _ : state) {
        RomPalette::readPalette(path, 0x1A0, bytes);
        const auto texts = RomPalette::wordTextsOf(bytes);
        if (state.range(0))
            RomPalette::writePalette(path, 0x1A0, RomPalette::bytesOf(texts));
        benchmark::DoNotOptimize(texts);
    }
}
// 0: load only; 1: load then write back (the write includes an fsync).
BENCHMARK(readAndWritePalette)->Arg(0)->Arg(1);

BENCHMARK_MAIN();
