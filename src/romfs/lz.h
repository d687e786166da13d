#pragma once

#include <QByteArray>

// The LZ77 variants of the DS and GBA BIOS: LZ10 (first byte 0x10) and
// LZ11 (0x11), as games store compressed files.
namespace Lz {

constexpr quint32 MaxSize = 16 * 1024 * 1024;

// True when data starts with an LZ10 or LZ11 header.
bool looksCompressed(const QByteArray &data);

// The size the header declares, or 0 when there is no usable header.
quint32 declaredSize(const QByteArray &data);

// The largest input a stream of that declared size can need.
quint64 maxInputSize(quint32 declared);

// Decompresses at most `limit` bytes (and never more than the header
// declares or MaxSize). A truncated or inconsistent stream ends early: the
// result then holds what could be decoded, and complete is set false.
QByteArray decompress(const QByteArray &data, quint32 limit, bool *complete = nullptr);

} // namespace Lz
