// The bookmark window's search: the typed text becomes a pattern that is
// matched against stored names (UTF-8 as SQLite hands them over). The byte
// path must agree with the text path, a name searched for with its pattern
// characters bracketed must find itself, and the search must agree with
// the case-blind comparison the exact lookup uses.
#include "fuzzsupport.h"
#include "jettext.h"

#include <QString>

#include <algorithm>

namespace {

// A pattern that stands for text itself: the pattern characters are put in
// brackets, everything else (including ! and ]) is itself outside them.
QString escaped(const QString &text)
{
    QString pattern;
    for (QChar c : text) {
        if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('#')
            || c == QLatin1Char('['))
            pattern += QLatin1Char('[') + QString(c) + QLatin1Char(']');
        else
            pattern += c;
    }
    return pattern;
}

QString rawUtf16(const uint8_t *data, size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, size_t(text.size()) * sizeof(QChar));
    return text;
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte: how long the pattern is, and whether both texts are
    // read as UTF-16 (anything a text box holds) instead of UTF-8.
    const bool utf16 = data[0] & 0x80;
    const size_t patternSize = std::min<size_t>(data[0] & 0x7F, size - 1);
    const uint8_t *patternData = data + 1;
    const uint8_t *nameData = patternData + patternSize;
    const size_t nameSize = size - 1 - patternSize;
    const QByteArray nameBytes(reinterpret_cast<const char *>(nameData), qsizetype(nameSize));
    const QString patternText = utf16
            ? rawUtf16(patternData, patternSize)
            : QString::fromUtf8(reinterpret_cast<const char *>(patternData), qsizetype(patternSize));
    const QString name = utf16 ? rawUtf16(nameData, nameSize) : QString::fromUtf8(nameBytes);

    const JetText::Pattern pattern(patternText);
    const bool found = pattern.matches(name);
    const JetText::Pattern search(patternText + QLatin1Char('*'));
    const bool foundByPrefix = search.matches(name);
    // Whatever matches the pattern also matches it as a typed prefix.
    FUZZ_CHECK(!found || foundByPrefix);
    if (!utf16) {
        FUZZ_CHECK(pattern.matchesUtf8(nameBytes) == found);
        FUZZ_CHECK(search.matchesUtf8(nameBytes) == foundByPrefix);
    }

    // Every name finds itself, also by its first letters.
    FUZZ_CHECK(JetText::Pattern(escaped(name)).matches(name));
    FUZZ_CHECK(JetText::Pattern(escaped(name) + QLatin1Char('*')).matches(name + QLatin1String("z")));
    FUZZ_CHECK(JetText::Pattern(QStringLiteral("*")).matches(name));

    // The exact lookup's comparison: an order (each way round the opposite
    // answer), equal exactly when the bracketed name matches.
    const int order = JetText::compare(patternText, name);
    FUZZ_CHECK(sign(JetText::compare(name, patternText)) == -sign(order));
    FUZZ_CHECK(JetText::compare(name, name) == 0);
    FUZZ_CHECK((order == 0) == JetText::Pattern(escaped(patternText)).matches(name));
    if (!utf16) {
        const QByteArray patternBytes = patternText.toUtf8();
        FUZZ_CHECK(sign(JetText::compareUtf8(patternBytes, nameBytes)) == sign(order));
    }
    return 0;
}
