// The Graphics window's work, without the window: a keystroke in a palette
// box recolours a 256x256-pixel view (goal: 0.5 ms at zoom 1, 2 ms at zoom
// 4, from the box's text to the finished image), and moving by a screenful
// decodes and paints a 512x512 view of 4 bpp tiles at zoom 2 (goal: 3 ms).
// The window paints its view at paint time, band by band, straight into
// the window's backing store; an image of the view's size stands in for
// that store here, as both are raster images of the screen's format.
#include "rompalette.h"
#include "tilepainter.h"
#include "tiles.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Graphics;

namespace {

QByteArray noise(qsizetype size)
{
    QByteArray bytes(size, '\0');
    quint32 seed = 12345;
    for (char &byte : bytes) {
        seed = seed * 1664525u + 1013904223u;
        byte = char(seed >> 24);
    }
    return bytes;
}

// 256x256 pixels of 8 bpp tiles (the dearer case: 256 words, boxes laid
// over sixteen of them); zoom from the argument.
void recolourAfterKeystroke(benchmark::State &state)
{
    const int zoom = int(state.range(0));
    const IndexImage image = decode(noise(256 * 256), Format::Tiles8, 32, 32);
    const QByteArray words = noise(512);
    RomPalette::WordTexts boxes;
    boxes.fill(QStringLiteral("FF7F"));
    QImage store(256 * zoom, 256 * zoom, QImage::Format_RGB32);
    QImage band;
    int keystroke = 0;
    for (auto _ : state) {
        // What typing does: one box's text changes, the table is rebuilt
        // and the whole view is painted again.
        boxes[3] = RomPalette::BytesToWordText(quint8(keystroke++), 0x1F);
        const ColourLookup lookup(coloursOf(words, boxes, 16));
        QPainter painter(&store);
        paintView(painter, image, lookup, zoom, 0, store.rect(), band);
        painter.end();
        benchmark::DoNotOptimize(store.constBits());
    }
    state.counters["band MiB"] = double(band.sizeInBytes()) / (1024 * 1024);
}
BENCHMARK(recolourAfterKeystroke)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

// One screenful on: the next 32 rows of 32 tiles read from the image file,
// decoded and painted at zoom 2 (512x512).
void moveOneScreenful(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("game.nds"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(noise(4 << 20)) != 4 << 20) {
        state.SkipWithError("cannot write the image");
        return;
    }
    file.close();
    RomPalette::WordTexts boxes;
    boxes.fill(QStringLiteral("1F7C"));
    const ColourLookup lookup(coloursOf(boxes));
    const qsizetype screen = 32 * rowBytes(Format::Tiles4, 32);
    quint32 offset = 0;
    QImage store(512, 512, QImage::Format_RGB32);
    QImage band;
    for (auto _ : state) {
        QByteArray bytes;
        RomPalette::readBytes(path, offset, screen, bytes);
        offset = (offset + quint32(screen)) % (4 << 20);
        const IndexImage image = decode(bytes, Format::Tiles4, 32, 32);
        QPainter painter(&store);
        paintView(painter, image, lookup, 2, 0, store.rect(), band);
        painter.end();
        benchmark::DoNotOptimize(store.constBits());
    }
    state.counters["indices MiB"] = 256.0 * 256 * sizeof(quint16) / (1024 * 1024);
    state.counters["band MiB"] = double(band.sizeInBytes()) / (1024 * 1024);
}
BENCHMARK(moveOneScreenful)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
