#include "jettext.h"

#include <QChar>
#include <QString>

#include <algorithm>

namespace JetText {

namespace {

// Appends the code points of text, a surrogate pair as one code point and a
// lone surrogate as itself.
template<typename Each>
void forEachCodePoint(QStringView text, Each each)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < size && text[i + 1].isLowSurrogate()) {
            each(QChar::surrogateToUcs4(c, text[i + 1]));
            ++i;
        } else {
            each(char32_t(c.unicode()));
        }
    }
}

std::vector<char32_t> codePointsOf(QStringView text)
{
    std::vector<char32_t> result;
    result.reserve(size_t(text.size()));
    forEachCodePoint(text, [&](char32_t c) { result.push_back(c); });
    return result;
}

QString composed(QStringView text)
{
    return text.toString().normalized(QString::NormalizationForm_C);
}

char32_t foldOne(char32_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
    return QChar::toCaseFolded(c);
}

int compareFolded(const Folded &a, const Folded &b)
{
    const auto [left, right] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (left == a.end())
        return right == b.end() ? 0 : -1;
    if (right == b.end())
        return 1;
    return *left < *right ? -1 : 1;
}

} // namespace

void fold(QStringView text, Folded &out)
{
    out.clear();
    out.reserve(size_t(text.size()));
    forEachCodePoint(composed(text), [&](char32_t c) { out.push_back(foldOne(c)); });
}

void foldUtf8(QByteArrayView utf8, Folded &out)
{
    out.clear();
    out.reserve(size_t(utf8.size()));
    for (const char byte : utf8) {
        const auto c = static_cast<unsigned char>(byte);
        if (c >= 0x80) {
            fold(QString::fromUtf8(utf8), out);
            return;
        }
        out.push_back(foldOne(c));
    }
}

int compare(QStringView a, QStringView b)
{
    Folded left, right;
    fold(a, left);
    fold(b, right);
    return compareFolded(left, right);
}

int compareUtf8(QByteArrayView a, QByteArrayView b)
{
    thread_local Folded left, right;
    foldUtf8(a, left);
    foldUtf8(b, right);
    return compareFolded(left, right);
}

Pattern::Pattern(QStringView pattern)
{
    const std::vector<char32_t> p = codePointsOf(composed(pattern));
    const size_t size = p.size();
    for (size_t i = 0; i < size; ++i) {
        const char32_t c = p[i];
        switch (c) {
        case '*':
            // A run of stars is one star.
            if (m_tokens.empty() || m_tokens.back().kind != Kind::AnyRun)
                m_tokens.emplace_back(Kind::AnyRun);
            continue;
        case '?':
            m_tokens.emplace_back(Kind::AnyOne);
            continue;
        case '#':
            m_tokens.emplace_back(Kind::Digit);
            continue;
        case '[': {
            const auto close = std::find(p.begin() + i + 1, p.end(), char32_t(']'));
            if (close == p.end())
                break; // a literal [
            const size_t end = size_t(close - p.begin());
            size_t k = i + 1;
            if (k == end) { // [] stands for the empty text
                i = end;
                continue;
            }
            Token set(Kind::Set);
            if (p[k] == '!') {
                set.negated = true;
                ++k;
            }
            while (k < end) {
                char32_t low = p[k], high = p[k];
                if (k + 2 < end && p[k + 1] == '-') {
                    high = p[k + 2];
                    k += 3;
                } else {
                    ++k;
                }
                if (low <= high)
                    set.ranges.push_back({ low, high, foldOne(low), foldOne(high) });
            }
            m_tokens.push_back(std::move(set));
            i = end;
            continue;
        }
        default:
            break;
        }
        m_tokens.emplace_back(Kind::Literal, foldOne(c));
    }

    for (const Token &token : m_tokens) {
        if (token.kind != Kind::Literal)
            break;
        m_literalPrefix.push_back(token.literal);
    }
    m_prefixThenAnyRun = m_tokens.size() == m_literalPrefix.size() + 1
            && m_tokens.back().kind == Kind::AnyRun;
}

bool Pattern::matchesOne(const Token &token, char32_t folded) const
{
    switch (token.kind) {
    case Kind::Literal:
        return token.literal == folded;
    case Kind::AnyOne:
        return true;
    case Kind::Digit:
        return folded >= '0' && folded <= '9';
    case Kind::Set: {
        const bool listed = std::any_of(token.ranges.begin(), token.ranges.end(),
                                        [folded](const Range &r) {
                                            return (folded >= r.low && folded <= r.high)
                                                    || (folded >= r.foldedLow
                                                        && folded <= r.foldedHigh);
                                        });
        return listed != token.negated;
    }
    case Kind::AnyRun:
        break;
    }
    return false;
}

bool Pattern::matchesFolded(const Folded &text) const
{
    // Every token but the star takes exactly one character, so on a
    // mismatch it is enough to let the latest star take one more character
    // and retry from there.
    const size_t tokenCount = m_tokens.size();
    size_t t = 0, s = 0;
    size_t starToken = tokenCount, starText = 0;
    while (s < text.size()) {
        if (t < tokenCount && m_tokens[t].kind == Kind::AnyRun) {
            if (t + 1 == tokenCount)
                return true; // a trailing star takes the rest, whatever it is
            starToken = t++;
            starText = s;
            continue;
        }
        if (t < tokenCount && matchesOne(m_tokens[t], text[s])) {
            ++t;
            ++s;
            continue;
        }
        if (starToken == tokenCount)
            return false;
        t = starToken + 1;
        s = ++starText;
    }
    while (t < tokenCount && m_tokens[t].kind == Kind::AnyRun)
        ++t;
    return t == tokenCount;
}

bool Pattern::matches(QStringView text) const
{
    Folded folded;
    fold(text, folded);
    return matchesFolded(folded);
}

bool Pattern::matchesUtf8(QByteArrayView utf8) const
{
    // Most names fail on their first letters: decide those on the bytes.
    // An ASCII letter is final only when no accent follows it, as the
    // composed form of e + accent is é.
    const qsizetype size = utf8.size();
    const auto byteAt = [&](qsizetype i) { return static_cast<unsigned char>(utf8[i]); };
    bool decided = true;
    for (size_t i = 0; i < m_literalPrefix.size(); ++i) {
        const auto at = qsizetype(i);
        if (at >= size)
            return false;
        if (byteAt(at) >= 0x80 || (at + 1 < size && byteAt(at + 1) >= 0x80)) {
            decided = false;
            break;
        }
        if (foldOne(byteAt(at)) != m_literalPrefix[i])
            return false;
    }
    if (decided && m_prefixThenAnyRun)
        return true;

    thread_local Folded folded;
    foldUtf8(utf8, folded);
    return matchesFolded(folded);
}

} // namespace JetText
