// Listing the palettes of large images: a sparse 512 MiB DS image with
// many files (time and resident memory), hostile DS images whose tables make
// a naive walk quadratic, finding colours in the DS image and in the GBA
// image below, and the scan of a 32 MiB GBA
// image built from code, data, text, graphics and planted palettes (time,
// and how well the scan finds the planted palettes).
#include "colourfinder.h"
#include "gbascan.h"
#include "graphicsfinder.h"
#include "palettefinder.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

void put(QByteArray &b, qsizetype at, quint32 value, int bytes)
{
    if (b.size() < at + bytes)
        b.resize(at + bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        b[at + i] = char(value >> (8 * i));
}

QByteArray paletteFile(int colours)
{
    QByteArray b("RLCN\xFF\xFE\x00\x01", 8);
    put(b, 0x0C, 0x10, 4);
    b.append("TTLP");
    put(b, 0x14, quint32(0x18 + 2 * colours), 4);
    put(b, 0x18, 3, 4);
    put(b, 0x20, quint32(2 * colours), 4);
    put(b, 0x24, 0x10, 4);
    for (int i = 0; i < colours; ++i)
        put(b, 0x28 + 2 * i, quint32(i * 0x421), 2);
    return b;
}

QByteArray archiveOf(const QList<QByteArray> &members)
{
    QByteArray b("NARC\xFE\xFF\x00\x01", 8);
    put(b, 0x0C, 0x10, 4);
    const qsizetype data = 0x10 + 0x0C + 8 * members.size();
    b.append("BTAF");
    put(b, 0x14, quint32(data - 0x10), 4);
    put(b, 0x18, quint32(members.size()), 4);
    QByteArray contents;
    for (int i = 0; i < members.size(); ++i) {
        put(b, 0x1C + 8 * i, quint32(contents.size()), 4);
        contents += members[i];
        put(b, 0x20 + 8 * i, quint32(contents.size()), 4);
    }
    b.append("GMIF");
    put(b, data + 4, quint32(8 + contents.size()), 4);
    return b + contents;
}

// LZ10 of literals only: as slow to decompress as any.
QByteArray lzLiterals(const QByteArray &in)
{
    QByteArray out;
    put(out, 0, quint32(in.size()) << 8 | 0x10, 4);
    for (qsizetype i = 0; i < in.size(); i += 8)
        out += '\0' + in.mid(i, 8);
    return out;
}

// Writes a sparse 512 MiB DS image with `count` files in folders of 100:
// every 40th a palette file, every 200th an archive of palette files (with
// `compressed`, every 200th from the 100th is the archive compressed, with
// 16 KiB after its palettes), the rest holes that read as zeros.
QString makeDsImage(const QTemporaryDir &dir, int count, bool compressed = false)
{
    const QString path = dir.filePath(QStringLiteral("big%1%2.nds").arg(count).arg(compressed));
    const quint64 size = quint64(512) << 20;
    const int folders = (count + 99) / 100;
    QByteArray fnt(8 * (folders + 1), '\0');
    put(fnt, 0, quint32(fnt.size()), 4);
    put(fnt, 4, 0, 2);
    put(fnt, 6, quint32(folders + 1), 2);
    QByteArray names;
    for (int f = 0; f < folders; ++f) {
        const QByteArray name = QByteArray("folder") + QByteArray::number(f);
        names += char(0x80 | name.size()) + name;
        put(names, names.size(), quint32(0xF001 + f), 2);
    }
    names += '\0';
    for (int f = 0; f < folders; ++f) {
        put(fnt, 8 * (f + 1), quint32(fnt.size() + names.size()), 4);
        put(fnt, 8 * (f + 1) + 4, quint32(f * 100), 2);
        put(fnt, 8 * (f + 1) + 6, 0xF000, 2);
        for (int i = f * 100; i < std::min(count, f * 100 + 100); ++i) {
            const QByteArray name = QByteArray("file") + QByteArray::number(i) + ".bin";
            names += char(name.size()) + name;
        }
        names += '\0';
    }
    fnt += names;
    const quint64 fatAt = 0x4000 + quint64(fnt.size());
    const quint64 dataStart = (fatAt + 8 * quint64(count) + 0xFFFF) & ~quint64(0xFFFF);
    const quint64 spacing = ((size - dataStart) / quint64(count)) & ~quint64(3);
    QByteArray header(0x200, '\0');
    header.replace(0, 12, "BENCHMARK   ");
    put(header, 0x40, 0x4000, 4);
    put(header, 0x44, quint32(fnt.size()), 4);
    put(header, 0x48, quint32(fatAt), 4);
    put(header, 0x4C, quint32(8 * count), 4);

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || !file.resize(qint64(size)))
        return QString();
    const QByteArray palette = paletteFile(16);
    const QByteArray archive = archiveOf({ paletteFile(16), paletteFile(256), palette });
    QByteArray fat;
    for (int i = 0; i < count; ++i) {
        const quint64 at = dataStart + quint64(i) * spacing;
        QByteArray contents;
        if (i % 200 == 0)
            contents = archive;
        else if (compressed && i % 200 == 100)
            contents = lzLiterals(archive + QByteArray(0x4000, '\x11'));
        else if (i % 40 == 0)
            contents = palette;
        const quint64 length = contents.isEmpty() ? 0x800 : quint64(contents.size());
        put(fat, fat.size(), quint32(at), 4);
        put(fat, fat.size(), quint32(at + length), 4);
        if (!contents.isEmpty()) {
            file.seek(qint64(at));
            file.write(contents);
        }
    }
    file.seek(0);
    file.write(header);
    file.seek(0x4000);
    file.write(fnt);
    file.write(fat);
    return path;
}

long residentKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

void listSparseDsImage(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = makeDsImage(dir, int(state.range(0)));
    if (path.isEmpty()) {
        state.SkipWithError("cannot write the image");
        return;
    }
    size_t found = 0;
    long growth = 0;
    for (auto _ : state) {
        // The peak is reset, so the growth is that of this listing alone.
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");
        clear.close();
        const long before = residentKiB("VmRSS:");
        RomFs::Listing listing;
        RomFs::listPalettesInFile(path, listing, nullptr);
        found = listing.palettes.size();
        growth = std::max(growth, residentKiB("VmHWM:") - before);
        benchmark::DoNotOptimize(listing);
    }
    state.counters["palettes"] = double(found);
    state.counters["rss_growth_MiB"] = double(growth) / 1024;
}
BENCHMARK(listSparseDsImage)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A DS image of `size` bytes with one folder table and FAT at 0x200, the
// rest zeros but for `body` placed at `bodyAt`.
QByteArray dsImageOf(const QByteArray &fnt, const QByteArray &fat, qsizetype size,
                     const QByteArray &body = QByteArray(), qsizetype bodyAt = 0)
{
    QByteArray b(size, '\0');
    b.replace(0, 12, "HOSTILE     ");
    put(b, 0x40, 0x200, 4);
    put(b, 0x44, quint32(fnt.size()), 4);
    put(b, 0x48, quint32(0x200 + fnt.size()), 4);
    put(b, 0x4C, quint32(fat.size()), 4);
    b.replace(0x200, fnt.size() + fat.size(), fnt + fat);
    b.replace(bodyAt, body.size(), body);
    return b.left(size);
}

QByteArray narcHead(quint32 entries)
{
    QByteArray b("NARC\xFE\xFF\x00\x01", 8);
    put(b, 0x0C, 0x10, 4);
    b.append("BTAF");
    put(b, 0x14, 0x0C + 8 * entries, 4);
    put(b, 0x18, entries, 4);
    return b;
}

// One archive whose members all start at one place, each ending elsewhere;
// there lies a second archive of as many members, also all at one place.
// Walking every member's copy of the second table is quadratic.
QByteArray membersAtOnePlace(qsizetype size)
{
    const quint32 n = quint32(std::min<qsizetype>((size - 0x1100) / 18, 0xFFFF));
    QByteArray inner = narcHead(n);
    for (quint32 j = 0; j < n; ++j)
        put(inner, inner.size(), 0, 4), put(inner, inner.size(), 1 + j, 4);
    inner.append("GMIF");
    put(inner, inner.size(), 8 + 2 * n, 4);
    inner.append(QByteArray(2 * n, '\0'));
    QByteArray outer = narcHead(n);
    for (quint32 i = 0; i < n; ++i)
        put(outer, outer.size(), 0, 4), put(outer, outer.size(), quint32(inner.size()) - i, 4);
    outer.append("GMIF");
    put(outer, outer.size(), quint32(8 + inner.size()), 4);
    outer += inner;
    QByteArray fnt;
    put(fnt, 0, 8, 4), put(fnt, 4, 0, 2), put(fnt, 6, 1, 2);
    fnt += QByteArray("\x06" "a.narc\0", 8);
    QByteArray fat;
    put(fat, 0, 0x1000, 4), put(fat, 4, quint32(0x1000 + outer.size()), 4);
    return dsImageOf(fnt, fat, size, outer, 0x1000);
}

// 4096 folders that share one list of names: each of them names every file
// of the list (and every other folder) again.
QByteArray foldersSharingNames(qsizetype size)
{
    const quint32 folders = 4096, files = 8192;
    QByteArray fat;
    for (quint32 i = 0; i < files; ++i)
        put(fat, fat.size(), quint32(size - 16), 4), put(fat, fat.size(), quint32(size), 4);
    const quint32 list = 8 * folders;
    QByteArray fnt;
    for (quint32 f = 0; f < folders; ++f) {
        put(fnt, 8 * f, list, 4);
        put(fnt, 8 * f + 4, 0, 2);
        put(fnt, 8 * f + 6, f ? 0xF000 : folders, 2);
    }
    for (quint32 f = 1; f < folders; ++f)
        fnt += QByteArray("\x81" "d", 2), put(fnt, fnt.size(), 0xF000 + f, 2);
    while (fnt.size() + fat.size() + 0x400 < size)
        fnt += QByteArray("\x01" "f", 2);
    fnt += '\0';
    return dsImageOf(fnt, fat, size);
}

// A hostile image of 1 MiB, listed from a file as the command does.
void listHostileImage(benchmark::State &state, QByteArray (*make)(qsizetype))
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("hostile.nds"));
    const QByteArray bytes = make(1 << 20);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        state.SkipWithError("cannot write the image");
        return;
    }
    file.close();
    for (auto _ : state) {
        RomFs::Listing listing;
        RomFs::listPalettesInFile(path, listing, nullptr);
        benchmark::DoNotOptimize(listing);
    }
}
BENCHMARK_CAPTURE(listHostileImage, membersAtOnePlace, membersAtOnePlace)
        ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(listHostileImage, foldersSharingNames, foldersSharingNames)
        ->Unit(benchmark::kMillisecond);

// Finding the colours of a palette file in the sparse DS image, its
// compressed files included.
void findColoursInSparseDsImage(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = makeDsImage(dir, int(state.range(0)), true);
    if (path.isEmpty()) {
        state.SkipWithError("cannot write the image");
        return;
    }
    std::vector<quint16> words;
    for (int i = 0; i < 16; ++i)
        words.push_back(quint16(i * 0x421));
    RomFs::ColourSearch search;
    for (auto _ : state) {
        RomFs::findColoursInFile(path, words, search, nullptr);
        benchmark::DoNotOptimize(search);
    }
    state.counters["matches"] = double(search.matches.size());
    state.counters["compressed"] = double(std::count_if(
            search.matches.begin(), search.matches.end(),
            [](const RomFs::ColourMatch &m) { return m.compressed; }));
}
BENCHMARK(findColoursInSparseDsImage)->Arg(20000)->Unit(benchmark::kMillisecond);

// The GBA fixture: what a GBA ROM is made of, with palettes planted among
// it. Each planted palette is (offset, words).
struct Fixture
{
    QByteArray bytes;
    std::vector<std::pair<quint64, quint32>> planted;
};

Fixture makeGbaFixture(qsizetype size)
{
    std::mt19937 random(20261207);
    auto below = [&random](quint32 n) { return quint32(random() % n); };
    Fixture fixture;
    QByteArray &b = fixture.bytes;
    b.reserve(size);
    auto word = [&b](quint32 w) { put(b, b.size(), w, 2); };
    auto colour = [](int r, int g, int bl) {
        return quint32(std::clamp(r, 0, 31) | std::clamp(g, 0, 31) << 5 | std::clamp(bl, 0, 31) << 10);
    };
    const char *const sentences[] = { "You found a POTION! ", "The door is locked.\n",
                                      "Press START to continue", "HP  MP  LV  EXP ",
                                      "Do you want to save your game?\n" };
    while (b.size() < size - 0x10000) {
        const quint32 kind = below(100);
        if (kind < 30) {
            // Thumb code: mostly moves, loads, stores and ALU, with branches,
            // calls, pushes and pops between.
            for (quint32 n = 256 + below(4096); n > 0; --n) {
                const quint32 pick = below(100);
                if (pick < 25)
                    word(0x2000 | below(0x2000));
                else if (pick < 45)
                    word(0x6000 | below(0x2000));
                else if (pick < 55)
                    word(0x4000 | below(0x800));
                else if (pick < 65)
                    word(below(0x2000));
                else if (pick < 72)
                    word(0x5000 | below(0x1000));
                else if (pick < 77)
                    word(0x4800 | below(0x800));
                else if (pick < 82)
                    word(below(2) ? 0xB500 | below(0x100) : 0xBD00 | below(0x100));
                else if (pick < 92)
                    word(below(2) ? 0xD000 | below(0xE00) : 0xE000 | below(0x800));
                else
                    word(0xF000 | below(0x800)), word(0xF800 | below(0x800));
            }
        } else if (kind < 38) {
            for (quint32 n = 64 + below(1024); n > 0; --n) {
                const quint32 w = 0xE0000000 | below(0x10000000);
                word(w & 0xFFFF), word(w >> 16);
            }
        } else if (kind < 46) {
            // Pointer tables, and tables of small numbers.
            const bool pointers = below(2);
            for (quint32 n = 8 + below(256); n > 0; --n) {
                const quint32 w = pointers ? 0x08000000 | (below(0x1000000) & ~3u) : below(1000);
                word(w & 0xFFFF), word(w >> 16);
            }
        } else if (kind < 54) {
            for (quint32 n = 2 + below(40); n > 0; --n)
                b.append(sentences[below(5)]);
            b.append('\0');
        } else if (kind < 66) {
            // 4-bit tiles; some use only the first eight colours.
            const quint32 colours = below(3) ? 16 : 8;
            for (quint32 n = 32 * (4 + below(128)); n > 0; --n)
                b.append(char(below(colours) | below(colours) << 4));
        } else if (kind < 72) {
            for (quint32 n = 64 * (4 + below(64)); n > 0; --n)
                b.append(char(below(4) ? below(48) : below(256)));
        } else if (kind < 82) {
            // Compressed data looks like noise.
            for (quint32 n = 256 + below(16384); n > 0; --n)
                b.append(char(random()));
        } else if (kind < 86) {
            b.append(QByteArray(qsizetype(16 + below(2048)), below(2) ? '\0' : char(0xFF)));
        } else {
            // A bank of palettes: shading ramps on a transparent colour,
            // gradients, some of arbitrary colours, now and then 256 colours.
            while (b.size() % 4)
                b.append('\0');
            const quint64 start = quint64(b.size());
            const quint32 banks = below(4) ? 1 + below(4) : 1 + below(16);
            const quint32 words = below(10) ? 16 * banks : 256;
            for (quint32 i = 0; i < words;) {
                const quint32 style = below(10);
                if (i % 16 == 0)
                    word(below(2) ? 0 : colour(31, 0, 31)), ++i;
                if (style < 7) {
                    const int r = int(below(32)), g = int(below(32)), bl = int(below(32));
                    const int shades = 3 + int(below(3));
                    for (int s = 0; s < shades && i < words && (i % 16 != 0); ++s, ++i)
                        word(colour(r * (s + 2) / (shades + 1), g * (s + 2) / (shades + 1),
                                     bl * (s + 2) / (shades + 1)));
                } else if (style < 9) {
                    for (; i < words && i % 16 != 0; ++i)
                        word(colour(int(i % 16) * 2, int(i % 16), 31 - int(i % 16)));
                } else {
                    for (; i < words && i % 16 != 0; ++i)
                        word(below(0x8000));
                }
            }
            // Judged as palettes of 16 colours each, as the main window
            // shows and steps through them.
            for (quint32 k = 0; k < words / 16; ++k)
                fixture.planted.push_back({ start + 32 * k, 16 });
        }
    }
    b.append(QByteArray(size - b.size(), char(0xFF)));
    return fixture;
}

void scanGbaImage(benchmark::State &state)
{
    QTemporaryDir dir;
    const Fixture fixture = makeGbaFixture(32 << 20);
    const QString path = dir.filePath(QStringLiteral("big.gba"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(fixture.bytes) != fixture.bytes.size()) {
        state.SkipWithError("cannot write the image");
        return;
    }
    file.close();
    std::vector<GbaScan::Run> runs;
    for (auto _ : state) {
        RomFs::FileImage image;
        image.open(path, nullptr);
        runs = GbaScan::scan(image);
        benchmark::DoNotOptimize(runs);
    }
    // Recall: planted palettes lying wholly inside a row (exact: and whole
    // steps of 32 bytes from its start, so Next Palette reaches it).
    // Precision: rows that overlap a planted palette.
    size_t found = 0, exact = 0, right = 0, touched = 0;
    for (const auto &[offset, words] : fixture.planted) {
        const quint64 end = offset + 2 * quint64(words);
        touched += std::any_of(runs.begin(), runs.end(), [&](const GbaScan::Run &run) {
            return run.offset < end && run.offset + 2 * quint64(run.words) > offset;
        });
        const auto covering = std::find_if(runs.begin(), runs.end(), [&](const GbaScan::Run &run) {
            return run.offset <= offset && run.offset + 2 * quint64(run.words) >= end;
        });
        found += covering != runs.end();
        exact += covering != runs.end() && (offset - covering->offset) % 32 == 0;
    }
    for (const GbaScan::Run &run : runs) {
        const quint64 end = run.offset + 2 * quint64(run.words);
        const bool hit = std::any_of(fixture.planted.begin(), fixture.planted.end(), [&](const auto &p) {
            return p.first < end && p.first + 2 * quint64(p.second) > run.offset;
        });
        right += hit;
    }
    state.counters["touched"] = double(touched) / double(std::max<size_t>(1, fixture.planted.size()));
    state.counters["planted"] = double(fixture.planted.size());
    state.counters["rows"] = double(runs.size());
    state.counters["recall"] = double(found) / double(std::max<size_t>(1, fixture.planted.size()));
    state.counters["exact_start"] = double(exact) / double(std::max<size_t>(1, fixture.planted.size()));
    state.counters["precision"] = double(right) / double(std::max<size_t>(1, runs.size()));
}
BENCHMARK(scanGbaImage)->Unit(benchmark::kMillisecond);

// Finding a planted palette (16 words) or its first two in the 32 MiB GBA image.
void findColoursInGbaImage(benchmark::State &state)
{
    const Fixture fixture = makeGbaFixture(32 << 20);
    const RomFs::MemoryImage image(fixture.bytes);
    const auto *at = fixture.bytes.constData() + fixture.planted[fixture.planted.size() / 2].first;
    std::vector<quint16> words;
    for (int i = 0; i < state.range(0); ++i)
        words.push_back(quint16(quint8(at[2 * i]) | quint8(at[2 * i + 1]) << 8));
    RomFs::ColourSearch search;
    for (auto _ : state) {
        search = RomFs::findColours(image, words);
        benchmark::DoNotOptimize(search);
    }
    state.counters["matches"] = double(search.matches.size());
}
BENCHMARK(findColoursInGbaImage)->ArgName("words")->Arg(16)->Arg(2)->Unit(benchmark::kMillisecond);

// The palettes and the graphics files of the sparse image in one walk, to
// set beside listSparseDsImage: the goal is at most 1.3 times its time.
void listSparseDsImageWithGraphics(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = makeDsImage(dir, int(state.range(0)));
    if (path.isEmpty()) {
        state.SkipWithError("cannot write the image");
        return;
    }
    size_t found = 0;
    for (auto _ : state) {
        RomFs::Listing listing;
        std::vector<RomFs::FoundGraphics> graphics;
        RomFs::listRomFilesInFile(path, listing, graphics, nullptr);
        found = listing.palettes.size() + graphics.size();
        benchmark::DoNotOptimize(listing);
    }
    state.counters["files"] = double(found);
}
BENCHMARK(listSparseDsImageWithGraphics)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
