#pragma once

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Shared by the fuzz programs and their replays. A property that does not
// hold aborts, so libFuzzer keeps the input and the replay test fails in
// every build, sanitizers or not.
#define FUZZ_CHECK(condition)                                                                  \
    ((condition) ? void()                                                                      \
                 : (std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__,     \
                                 __LINE__, #condition),                                        \
                    std::abort()))

namespace FuzzSupport {

// Text as it reaches the program: the first byte chooses how the rest is
// read, so one corpus reaches typed or pasted text (any UTF-16, lone
// surrogates too), UTF-8 files and Latin-1 files.
inline QString textFrom(const uint8_t *data, size_t size)
{
    const auto *rest = reinterpret_cast<const char *>(data + 1);
    const qsizetype restSize = size ? qsizetype(size - 1) : 0;
    QString utf16(restSize / 2, Qt::Uninitialized);
    if (size == 0 || data[0] % 3 == 0)
        return QString::fromUtf8(rest, restSize);
    if (data[0] % 3 == 2)
        return QString::fromLatin1(rest, restSize);
    std::memcpy(utf16.data(), rest, size_t(utf16.size()) * sizeof(QChar));
    return utf16;
}

// An ASCII hexadecimal digit's value; -1 for any other character.
inline int hexDigit(QChar c)
{
    const char16_t u = c.unicode(), lower = u | 0x20;
    return u >= '0' && u <= '9' ? u - '0' : lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

} // namespace FuzzSupport
