// Palette files and the write journal. An export or import of 256 colours
// should take well under a millisecond without the disk sync; journaling
// should add under a millisecond to a write, so writeWithJournal and
// writeWithoutJournal run side by side on the same kind of image.
#include "palettefile.h"
#include "rompalette.h"
#include "writejournal.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using PaletteFile::Format;

const char *const suffixes[] = { "pal", "gpl", "act", "bin", "png" };

PaletteFile::Words colours256()
{
    PaletteFile::Words words;
    for (int i = 0; i < 256; ++i)
        words.append(quint16((i * 2654435761u) >> 17));
    return words;
}

// Encoding and a plain write of a new file, without QSaveFile's sync (and
// without truncating a file, which some file systems flush on close).
void exportPalette(benchmark::State &state)
{
    const auto format = Format(state.range(0));
    QTemporaryDir dir;
    const PaletteFile::Words words = colours256();
    int i = 0;
    for (auto _ : state) {
        QFile file(dir.filePath(
                QStringLiteral("%1.%2").arg(i++).arg(QLatin1String(suffixes[state.range(0)]))));
        if (!file.open(QIODevice::WriteOnly)
            || file.write(PaletteFile::encode(format, words, QStringLiteral("game.nds 1A0"))) < 0)
            state.SkipWithError("write failed");
    }
    state.SetLabel(suffixes[state.range(0)]);
}
BENCHMARK(exportPalette)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

void encodePalette(benchmark::State &state)
{
    const PaletteFile::Words words = colours256();
    for (auto _ : state)
        benchmark::DoNotOptimize(
                PaletteFile::encode(Format(state.range(0)), words, QStringLiteral("game.nds 1A0")));
    state.SetLabel(suffixes[state.range(0)]);
}
BENCHMARK(encodePalette)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

void importPalette(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path
            = dir.filePath(QStringLiteral("in.") + QLatin1String(suffixes[state.range(0)]));
    if (!PaletteFile::writeFile(path, colours256(), QStringLiteral("game.nds 1A0")).isEmpty())
        state.SkipWithError("cannot write the file to read");
    for (auto _ : state) {
        const auto decoded = PaletteFile::readFile(path);
        if (decoded.words.size() != 256)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(decoded);
    }
    state.SetLabel(suffixes[state.range(0)]);
}
BENCHMARK(importPalette)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

struct Rom
{
    Rom()
    {
        path = dir.filePath(QStringLiteral("game.nds"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(64 * 1024))
            qFatal("cannot create the ROM image");
    }
    QTemporaryDir dir;
    QString path;
};

const QByteArray palettes[2] = { QByteArray(32, '\x11'), QByteArray(32, '\x22') };

void writeWithoutJournal(benchmark::State &state)
{
    Rom rom;
    int i = 0;
    for (auto _ : state) {
        if (!RomPalette::writeBytes(rom.path, 0x1A0, palettes[i++ & 1]).ok)
            state.SkipWithError("write failed");
    }
}
BENCHMARK(writeWithoutJournal)->Unit(benchmark::kMicrosecond);

void writeWithJournal(benchmark::State &state)
{
    Rom rom;
    WriteJournal::Journal journal(rom.dir.filePath(QStringLiteral("Journal.sqlite")));
    int i = 0;
    for (auto _ : state) {
        const auto outcome = WriteJournal::write(journal, rom.path, 0x1A0, palettes[i++ & 1]);
        if (!outcome.file.ok || !outcome.journalError.isEmpty())
            state.SkipWithError("write failed");
    }
}
BENCHMARK(writeWithJournal)->Unit(benchmark::kMicrosecond);

// The two side by side in one loop, so a busy disk slows both alike. The
// time is the journaled write's; added_us is its mean minus the plain one's.
void journalAddsToAWrite(benchmark::State &state)
{
    Rom plain, journaled;
    WriteJournal::Journal journal(journaled.dir.filePath(QStringLiteral("Journal.sqlite")));
    double plainSeconds = 0, journaledSeconds = 0;
    int i = 0;
    for (auto _ : state) {
        const QByteArray &bytes = palettes[i++ & 1];
        QElapsedTimer timer;
        timer.start();
        const bool plainOk = RomPalette::writeBytes(plain.path, 0x1A0, bytes).ok;
        const double plainTime = timer.nsecsElapsed() / 1e9;
        timer.restart();
        const auto outcome = WriteJournal::write(journal, journaled.path, 0x1A0, bytes);
        const double journaledTime = timer.nsecsElapsed() / 1e9;
        if (!plainOk || !outcome.file.ok || !outcome.journalError.isEmpty())
            state.SkipWithError("write failed");
        plainSeconds += plainTime;
        journaledSeconds += journaledTime;
        state.SetIterationTime(journaledTime);
    }
    state.counters["plain_us"]
            = benchmark::Counter(plainSeconds * 1e6, benchmark::Counter::kAvgIterations);
    state.counters["added_us"] = benchmark::Counter((journaledSeconds - plainSeconds) * 1e6,
                                                    benchmark::Counter::kAvgIterations);
}
BENCHMARK(journalAddsToAWrite)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
