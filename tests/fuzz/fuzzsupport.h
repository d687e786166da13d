#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Shared by the fuzz programs and their corpus replays. A property that
// does not hold is a crash, so libFuzzer keeps the input and the replay
// test fails in every build, sanitizers or not.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__, __LINE__, \
                         #condition);                                                          \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

namespace FuzzSupport {

// Text as it reaches the program: the first byte chooses how the rest is
// read, so one corpus reaches typed or pasted text (any UTF-16, lone
// surrogates too), UTF-8 files and Latin-1 files.
inline QString textFrom(const uint8_t *data, size_t size)
{
    if (size == 0)
        return QString();
    const auto *rest = reinterpret_cast<const char *>(data + 1);
    const auto restSize = qsizetype(size - 1);
    switch (data[0] % 3) {
    case 0:
        return QString::fromUtf8(rest, restSize);
    case 1: {
        QString text(restSize / 2, Qt::Uninitialized);
        std::memcpy(text.data(), rest, size_t(text.size()) * sizeof(QChar));
        return text;
    }
    default:
        return QString::fromLatin1(rest, restSize);
    }
}

} // namespace FuzzSupport
