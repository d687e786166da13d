#pragma once

#include <QByteArrayView>
#include <QStringView>

#include <vector>

// Text comparison the way the bookmark queries have always behaved: letter
// case is ignored in all of Unicode (É equals é, Σ and ς equal σ, 𐐀 equals
// 𐐨), and canonically equal spellings (é precomposed or as e + accent) are
// the same text. Accents themselves are significant: e is not é.
namespace JetText {

using Folded = std::vector<char32_t>;

// The code points of text in composed form with simple case folding applied.
void fold(QStringView text, Folded &out);
// The same for UTF-8 bytes as SQLite hands them over; pure ASCII, the
// common case, takes a fast path.
void foldUtf8(QByteArrayView utf8, Folded &out);

// Compares two texts with case ignored; <0, 0 or >0.
int compare(QStringView a, QStringView b);
int compareUtf8(QByteArrayView a, QByteArrayView b);

// A LIKE pattern of the old desktop database engine:
//   *       any run of characters, also none
//   ?       any one character
//   #       any one digit 0-9
//   [abc]   any one of the listed characters; a-c is a range, [!abc] is any
//           character not listed; - first or last in the list is itself
//   []      nothing (matches the empty text)
// Anything else, including ! and ] outside brackets and SQL's own % and _,
// is itself. [*], [?], [#] and [[] match the pattern characters themselves.
// A [ with no closing ] is itself, and a backwards range (z-a) contains no
// character: the engine rejected both, and here a typed search must never
// fail. Case is ignored throughout, ranges included.
class Pattern
{
public:
    explicit Pattern(QStringView pattern);

    bool matches(QStringView text) const;
    bool matchesUtf8(QByteArrayView utf8) const;
    // Matches text that fold() or foldUtf8() has prepared.
    bool matchesFolded(const Folded &text) const;

private:
    enum class Kind { Literal, AnyOne, Digit, AnyRun, Set };
    // A listed character is a range of one. A character is in the range
    // when it lies between the ends as typed or between their folded forms,
    // so [A-Z] and [a-z] both take every letter of either case.
    struct Range
    {
        char32_t low;
        char32_t high;
        char32_t foldedLow;
        char32_t foldedHigh;
    };
    struct Token
    {
        explicit Token(Kind k, char32_t folded = 0) : kind(k), literal(folded) { }
        Kind kind;
        char32_t literal; // folded
        bool negated = false;
        std::vector<Range> ranges;
    };

    bool matchesOne(const Token &token, char32_t folded) const;

    std::vector<Token> m_tokens;
    // The folded characters of the leading literals, and whether a star
    // follows them and ends the pattern: what a typed search looks like.
    std::vector<char32_t> m_literalPrefix;
    bool m_prefixThenAnyRun = false;
};

} // namespace JetText
