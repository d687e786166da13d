// The bookmark search: typed text becomes a pattern matched against stored
// names (UTF-8 as SQLite hands them over). The byte path agrees with the
// text path, a name with its pattern characters bracketed finds itself,
// and the search agrees with the case-blind comparison of exact lookups.
#include "fuzzsupport.h"
#include "jettext.h"

#include <algorithm>

namespace {

// A pattern that stands for text itself.
QString escaped(const QString &text)
{
    QString pattern;
    for (QChar c : text)
        pattern += QStringLiteral("*?#[").contains(c) ? u'[' + QString(c) + u']' : QString(c);
    return pattern;
}

QString rawUtf16(const uint8_t *data, size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, size_t(text.size()) * sizeof(QChar));
    return text;
}

int sign(int value) { return (value > 0) - (value < 0); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte: the pattern's length, and in bit 7 whether both texts
    // are read as UTF-16 (anything a text box holds) instead of UTF-8.
    const bool utf16 = data[0] & 0x80;
    const size_t patternSize = std::min<size_t>(data[0] & 0x7F, size - 1);
    const auto *patternData = data + 1, *nameData = data + 1 + patternSize;
    const QByteArray nameBytes(reinterpret_cast<const char *>(nameData), qsizetype(size - 1 - patternSize));
    const QString typed = utf16 ? rawUtf16(patternData, patternSize)
                                : QString::fromUtf8(reinterpret_cast<const char *>(patternData), qsizetype(patternSize));
    const QString name = utf16 ? rawUtf16(nameData, size_t(nameBytes.size())) : QString::fromUtf8(nameBytes);

    const JetText::Pattern pattern(typed), search(typed + u'*');
    const bool found = pattern.matches(name), foundByPrefix = search.matches(name);
    FUZZ_CHECK(!found || foundByPrefix);
    FUZZ_CHECK(utf16 || (pattern.matchesUtf8(nameBytes) == found && search.matchesUtf8(nameBytes) == foundByPrefix));

    // Every name finds itself, also by its first letters.
    FUZZ_CHECK(JetText::Pattern(escaped(name)).matches(name));
    FUZZ_CHECK(JetText::Pattern(escaped(name) + u'*').matches(name + u'z'));
    FUZZ_CHECK(JetText::Pattern(QStringLiteral("*")).matches(name));

    // The exact lookup's comparison: an order, equal exactly when the
    // bracketed text matches.
    const int order = JetText::compare(typed, name);
    FUZZ_CHECK(sign(JetText::compare(name, typed)) == -sign(order) && JetText::compare(name, name) == 0);
    FUZZ_CHECK((order == 0) == JetText::Pattern(escaped(typed)).matches(name));
    FUZZ_CHECK(utf16 || sign(JetText::compareUtf8(typed.toUtf8(), nameBytes)) == sign(order));
    return 0;
}
