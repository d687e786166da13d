// The bookmark search: typed text becomes a pattern matched against stored
// names (UTF-8 as SQLite hands them over). The byte path agrees with the
// text path, a name with its pattern characters bracketed finds itself,
// and the search agrees with the case-blind comparison of exact lookups.
#include "fuzzsupport.h"
#include "jettext.h"

#include <algorithm>

using JetText::Pattern;

// A pattern that stands for text itself.
static QString escaped(const QString& text)
{
    QString pattern;
    for (QChar c : text)
        pattern += QStringView(u"*?#[").contains(c) ? u'[' + QString(c) + u']' : QString(c);
    return pattern;
}

static QString text(bool utf16, const uint8_t* data, size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized); // UTF-16: anything a text box holds
    if (!utf16)
        return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    std::memcpy(text.data(), data, size_t(text.size()) * sizeof(QChar));
    return text;
}

static int sign(int value)
{
    return (value > 0) - (value < 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte: the pattern's length; bit 7: both texts are UTF-16.
    const bool utf16 = data[0] & 0x80;
    const size_t patternSize = std::min<size_t>(data[0] & 0x7F, size - 1);
    const auto* nameData = reinterpret_cast<const char*>(data + 1 + patternSize);
    const QByteArray nameBytes(nameData, qsizetype(size - 1 - patternSize));
    const QString typed = text(utf16, data + 1, patternSize);
    const QString name = text(utf16, data + 1 + patternSize, size_t(nameBytes.size()));

    const Pattern pattern(typed), search(typed + u'*');
    const bool found = pattern.matches(name), foundByPrefix = search.matches(name);
    FUZZ_CHECK(!found || foundByPrefix);
    FUZZ_CHECK(utf16
        || (pattern.matchesUtf8(nameBytes) == found
            && search.matchesUtf8(nameBytes) == foundByPrefix));
    // Every name finds itself, also by its first letters.
    FUZZ_CHECK(Pattern(escaped(name)).matches(name));
    FUZZ_CHECK(Pattern(escaped(name) + u'*').matches(name + u'z'));
    FUZZ_CHECK(Pattern(QStringLiteral("*")).matches(name));
    // The exact lookup's comparison: an order, equal exactly when the
    // bracketed text matches.
    const int order = JetText::compare(typed, name);
    FUZZ_CHECK(
        sign(JetText::compare(name, typed)) == -sign(order) && JetText::compare(name, name) == 0);
    FUZZ_CHECK((order == 0) == Pattern(escaped(typed)).matches(name));
    FUZZ_CHECK(utf16 || sign(JetText::compareUtf8(typed.toUtf8(), nameBytes)) == sign(order));
    return 0;
}
