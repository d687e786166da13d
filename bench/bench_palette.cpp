// Palette load and write-back on a large sparse ROM image, and the codec
// behind the swatches. The image is never read whole, so resident memory
// must not grow with its size; the "rss_growth_kib" counter shows it.
#include "module1.h"
#include "rompalette.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fstream>

namespace {

constexpr qint64 RomSize = 512LL * 1024 * 1024;
constexpr quint32 PaletteOffset = quint32(RomSize - 0x1000);

long residentKiB()
{
    std::ifstream status("/proc/self/statm");
    long pages = 0, resident = 0;
    status >> pages >> resident;
    return resident * 4;
}

struct SparseRom
{
    SparseRom()
    {
        path = dir.filePath(QStringLiteral("big.nds"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(RomSize))
            qFatal("cannot create the sparse ROM image");
    }
    QTemporaryDir dir;
    QString path;
};

void paletteLoad(benchmark::State &state)
{
    SparseRom rom;
    RomPalette::Bytes bytes{};
    const long before = residentKiB();
    for (auto _ : state) {
        if (!RomPalette::readPalette(rom.path, PaletteOffset, bytes).ok)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(RomPalette::wordTextsOf(bytes));
    }
    state.counters["rss_growth_kib"] = double(residentKiB() - before);
}
BENCHMARK(paletteLoad)->Unit(benchmark::kMicrosecond);

void paletteWriteBack(benchmark::State &state)
{
    SparseRom rom;
    RomPalette::WordTexts texts;
    texts.fill(QStringLiteral("FF7F"));
    const long before = residentKiB();
    for (auto _ : state) {
        if (!RomPalette::writePalette(rom.path, PaletteOffset, RomPalette::bytesOf(texts)).ok)
            state.SkipWithError("write failed");
    }
    state.counters["rss_growth_kib"] = double(residentKiB() - before);
}
BENCHMARK(paletteWriteBack)->Unit(benchmark::kMillisecond);

void wordTextToSwatchColour(benchmark::State &state)
{
    const QString texts[] = { QStringLiteral("FF7F"), QStringLiteral("1F00"),
                              QStringLiteral("E003"), QStringLiteral("9452") };
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(Module1::GBAColorToRGBHex(texts[i++ & 3], true));
}
BENCHMARK(wordTextToSwatchColour);

} // namespace

BENCHMARK_MAIN();
