// The scan of a 32 MiB GBA image (GbaFixture): its time, and how well its
// rows match the palettes planted: a row that starts inside a palette shows
// the user shifted colours, so aligned and precision come first.
#include "gbafixture.h"
#include "gbascan.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <set>

namespace {

void scanGbaImage(benchmark::State& state)
{
    QTemporaryDir dir;
    // GBA_FIXTURE_SEED picks another fixture, so that a gain is not one seed's.
    const QByteArray seed = qgetenv("GBA_FIXTURE_SEED");
    const GbaFixture::Rom rom
        = GbaFixture::Builder(seed.isEmpty() ? 20261208u : seed.toUInt()).rom(32 << 20);
    const QString path = dir.filePath(QStringLiteral("big.gba"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(rom.bytes) != rom.bytes.size()) {
        state.SkipWithError("cannot write the image");
        return;
    }
    file.close();
    std::vector<GbaScan::Run> rows;
    for (auto _ : state) {
        RomFs::FileImage image;
        image.open(path, nullptr);
        rows = GbaScan::scan(image);
        benchmark::DoNotOptimize(rows);
    }
    std::set<quint64> rowStarts, paletteStarts;
    for (const GbaScan::Run& row : rows)
        rowStarts.insert(row.offset);
    size_t groups = 0, groupsFound = 0, whole = 0;
    for (const GbaFixture::Palette& p : rom.palettes) {
        paletteStarts.insert(p.offset);
        groups += p.startsGroup;
        groupsFound += p.startsGroup && rowStarts.count(p.offset);
        whole += std::any_of(rows.begin(), rows.end(), [&](const GbaScan::Run& row) {
            return row.offset <= p.offset && row.offset + 2 * row.words >= p.offset + 2 * p.words;
        });
    }
    size_t aligned = 0, overlapping = 0;
    for (const GbaScan::Run& row : rows) {
        aligned += paletteStarts.count(row.offset);
        // Palettes are in offset order: the last one starting before the
        // row's end is the only one that can reach into it.
        const auto after
            = std::upper_bound(rom.palettes.begin(), rom.palettes.end(), row.offset + 2 * row.words,
                [](quint64 end, const GbaFixture::Palette& p) { return end <= p.offset; });
        overlapping += after != rom.palettes.begin()
            && std::prev(after)->offset + 2 * std::prev(after)->words > row.offset;
    }
    auto share
        = [](size_t part, size_t all) { return double(part) / double(std::max<size_t>(1, all)); };
    state.counters["palettes"] = double(rom.palettes.size());
    state.counters["rows"] = double(rows.size());
    state.counters["aligned"] = share(aligned, rows.size());
    state.counters["precision"] = share(overlapping, rows.size());
    state.counters["exact_start"] = share(groupsFound, groups);
    state.counters["recall"] = share(whole, rom.palettes.size());
}
BENCHMARK(scanGbaImage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
