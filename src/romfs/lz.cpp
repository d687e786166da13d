#include "lz.h"

#include <algorithm>
#include <cstring>

namespace Lz {

namespace {

struct Header
{
    int kind = 0;
    quint32 size = 0;
    int length = 0;
};

Header headerOf(const QByteArray &data)
{
    Header h;
    if (data.size() < 4)
        return h;
    const auto *b = reinterpret_cast<const uchar *>(data.constData());
    if (b[0] != 0x10 && b[0] != 0x11)
        return h;
    quint32 size = quint32(b[1]) | quint32(b[2]) << 8 | quint32(b[3]) << 16;
    int length = 4;
    // LZ11 keeps sizes above 24 bits in a second word after a zero.
    if (size == 0 && b[0] == 0x11) {
        if (data.size() < 8)
            return h;
        size = quint32(b[4]) | quint32(b[5]) << 8 | quint32(b[6]) << 16 | quint32(b[7]) << 24;
        length = 8;
    }
    if (size == 0 || size > MaxSize)
        return h;
    h.kind = b[0];
    h.size = size;
    h.length = length;
    return h;
}

} // namespace

bool looksCompressed(const QByteArray &data)
{
    return headerOf(data).kind != 0;
}

quint32 declaredSize(const QByteArray &data)
{
    return headerOf(data).size;
}

quint64 maxInputSize(quint32 declared)
{
    // Every output byte a literal, one flag byte per eight, plus the header.
    return 8 + quint64(declared) + quint64(declared) / 8 + 1;
}

QByteArray decompress(const QByteArray &data, quint32 limit, bool *complete)
{
    if (complete)
        *complete = false;
    const Header h = headerOf(data);
    if (!h.kind)
        return QByteArray();
    const quint32 wanted = std::min(h.size, limit);
    // The output grows as it is produced, so a header that lies about the
    // size costs nothing until the stream really delivers.
    QByteArray out(qsizetype(std::min<quint32>(wanted, 1 << 16)), Qt::Uninitialized);
    auto *dst = reinterpret_cast<uchar *>(out.data());
    auto room = [&](quint32 produced, quint32 more) {
        if (quint64(produced) + more > quint64(out.size())) {
            const quint64 grown = std::max<quint64>(quint64(out.size()) * 2, quint64(produced) + more);
            out.resize(qsizetype(std::min<quint64>(grown, wanted)));
            dst = reinterpret_cast<uchar *>(out.data());
        }
    };
    const auto *src = reinterpret_cast<const uchar *>(data.constData());
    const quint64 end = quint64(data.size());
    quint64 in = quint64(h.length);
    quint32 produced = 0;
    bool broken = false;
    while (produced < wanted && !broken) {
        if (in >= end) {
            broken = true;
            break;
        }
        const uchar flags = src[in++];
        for (int bit = 7; bit >= 0 && produced < wanted; --bit) {
            if (!(flags >> bit & 1)) {
                if (in >= end) {
                    broken = true;
                    break;
                }
                room(produced, 1);
                dst[produced++] = src[in++];
                continue;
            }
            quint32 length = 0;
            quint32 distance = 0;
            if (h.kind == 0x10) {
                if (end - in < 2) {
                    broken = true;
                    break;
                }
                length = (src[in] >> 4) + 3u;
                distance = ((src[in] & 0xFu) << 8 | src[in + 1]) + 1;
                in += 2;
            } else {
                if (in >= end) {
                    broken = true;
                    break;
                }
                const int form = src[in] >> 4;
                const quint64 need = form == 0 ? 3 : form == 1 ? 4 : 2;
                if (end - in < need) {
                    broken = true;
                    break;
                }
                const uchar *r = src + in;
                if (form == 0) {
                    length = ((r[0] & 0xFu) << 4 | r[1] >> 4) + 0x11;
                    distance = ((r[1] & 0xFu) << 8 | r[2]) + 1;
                } else if (form == 1) {
                    length = ((r[0] & 0xFu) << 12 | quint32(r[1]) << 4 | r[2] >> 4) + 0x111;
                    distance = ((r[2] & 0xFu) << 8 | r[3]) + 1;
                } else {
                    length = quint32(form) + 1;
                    distance = ((r[0] & 0xFu) << 8 | r[1]) + 1;
                }
                in += need;
            }
            // A reference before the start of the output is a broken stream.
            if (distance > produced) {
                broken = true;
                break;
            }
            length = std::min(length, wanted - produced);
            room(produced, length);
            if (distance >= length) {
                std::memcpy(dst + produced, dst + produced - distance, length);
                produced += length;
            } else {
                // Byte by byte: the reference overlaps what it produces.
                for (quint32 i = 0; i < length; ++i, ++produced)
                    dst[produced] = dst[produced - distance];
            }
        }
    }
    out.truncate(qsizetype(produced));
    if (complete)
        *complete = produced == wanted;
    return out;
}

} // namespace Lz
