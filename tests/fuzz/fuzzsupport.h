#pragma once

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Shared by the fuzz programs and their replays. A property that does not
// hold aborts, so libFuzzer keeps the input and the replay fails in any build.
#define FUZZ_CHECK(condition)                                                                      \
    ((condition)                                                                                   \
            ? void()                                                                               \
            : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition), std::abort()))

namespace FuzzSupport {

// Text as it reaches the program: the first byte chooses how the rest is
// read (UTF-8, any UTF-16 with lone surrogates as typed or pasted, Latin-1).
inline QString textFrom(const uint8_t* data, size_t size)
{
    const auto* rest = reinterpret_cast<const char*>(data + 1);
    QString text(size ? qsizetype(size - 1) : 0, Qt::Uninitialized);
    if (size && data[0] % 3 == 2)
        return QString::fromLatin1(rest, text.size());
    if (size == 0 || data[0] % 3 == 0)
        return QString::fromUtf8(rest, text.size());
    text.resize(text.size() / 2);
    std::memcpy(text.data(), rest, size_t(text.size()) * sizeof(QChar));
    return text;
}

// An ASCII hexadecimal digit's value; -1 for any other character.
inline int hexDigit(QChar c)
{
    const char16_t u = c.unicode(), lower = u | 0x20;
    return u >= '0' && u <= '9' ? u - '0' : lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

} // namespace FuzzSupport
