#pragma once

#include "romimage.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <atomic>

namespace RomFs {

struct SourceLink;

// The sections of a NARC, RLCN or RGCN file read before the one sought: a
// few are allowed, so a file of endless tiny sections costs no more.
constexpr int MaxSectionsPerFile = 16;

// One file met on a walk over a DS image: a file of its file system, a
// member of a NARC archive, or the decompressed contents of an LZ10/LZ11
// file. Valid during the visitor's call only: keep what source() gives, not
// the file.
struct WalkedFile
{
    // The file's bytes: a stretch of the image, or of a decompressed buffer
    // that lives until the visitor's leave() of the contents.
    Span bytes;
    // The first four bytes, zero-filled when the file is shorter.
    std::array<uchar, 4> head{};
    // Where the file lies in the image: its first byte, or, when it was
    // decompressed, the first byte of the outermost compressed file.
    quint64 offset = 0;
    bool compressed = false;
    // The bytes are the whole output of a decompression; they are named by
    // the compressed file's source.
    bool contents = false;
    // 0 for a file of the file system, one more per archive or compression.
    int depth = 0;
    const SourceLink *link = nullptr;

    // As --list-palettes writes it ("a/b.nclr", "data/x.narc#3#0"); made
    // only when asked, as most files are never named.
    QString source() const;
};

// What a walk reports to. Files come in a depth-first order: an archive
// before its members, a compressed file before its contents.
class FileVisitor
{
public:
    virtual ~FileVisitor() = default;
    // Whether a compressed file whose contents begin with `head` (its first
    // 16 decompressed bytes, fewer when it is shorter) is decompressed and
    // walked. Decompressing costs; most visitors want only a few kinds.
    virtual bool wantsContents(const QByteArray &head) = 0;
    virtual void visit(const WalkedFile &file) = 0;
    // After everything inside the file was visited.
    virtual void leave(const WalkedFile &) {}
};

// Visits every file of a DS image's file system (overlays excepted), every
// member of its archives (once per place: members that repeat one are
// passed over) and the contents of its compressed files that the visitor
// wants (a stream that ends early or refers before its start is not
// walked). The work is bounded by the image's size whatever its tables
// claim: a lying image loses files, never time. False, having visited
// nothing, when the image has no DS file system. Stops early when cancel
// becomes true.
bool walkFiles(const Image &image, FileVisitor &visitor, const std::atomic<bool> *cancel = nullptr);

} // namespace RomFs
