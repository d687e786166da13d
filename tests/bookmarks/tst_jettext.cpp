#include "jettext.h"

#include <QTest>

using namespace Qt::StringLiterals;

class tst_JetText : public QObject
{
    Q_OBJECT
private slots:
    void pattern_data();
    void pattern();
    void utf8MatchesLikeText_data() { pattern_data(); }
    void utf8MatchesLikeText();
    void compare_data();
    void compare();
};

void tst_JetText::pattern_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matches");

    // The window searches with the typed text followed by *.
    QTest::newRow("prefix, other case") << "ab*" << "Abc" << true;
    QTest::newRow("prefix, lower") << "ab*" << "abd" << true;
    QTest::newRow("prefix not at start") << "ab*" << "cab" << false;
    QTest::newRow("prefix longer than text") << "abcd*" << "abc" << false;
    QTest::newRow("whole text") << "abc" << "ABC" << true;
    QTest::newRow("text longer than pattern") << "abc" << "abcd" << false;
    QTest::newRow("accented capital") << u"ÉCO*"_s << u"école"_s << true;
    QTest::newRow("accent is significant") << "eco*" << u"école"_s << false;
    QTest::newRow("composed pattern, decomposed text") << u"é*"_s << u"e\u0301cole"_s << true;
    QTest::newRow("decomposed pattern, composed text") << u"e\u0301*"_s << u"École"_s << true;
    QTest::newRow("plain letter before an accent") << "e*" << u"e\u0301cole"_s << false;
    QTest::newRow("Greek final sigma") << u"ΟΔΟΣ"_s << u"οδος"_s << true;
    QTest::newRow("Greek final sigma form") << u"οδοΣ"_s << u"οδος"_s << true;
    QTest::newRow("Cyrillic") << u"ПРИВ*"_s << u"привет"_s << true;
    QTest::newRow("outside the BMP") << u"\U00010400*"_s << u"\U00010428x"_s << true;
    QTest::newRow("? is one character") << "a?c*" << "abc" << true;
    QTest::newRow("? needs a character") << "a?c*" << "ac" << false;
    QTest::newRow("? takes a whole astral character") << "a?c" << u"a\U00010400c"_s << true;
    QTest::newRow("* inside") << "a*c" << "axxxc" << true;
    QTest::newRow("* inside, also none") << "a*c" << "ac" << true;
    QTest::newRow("* inside, wrong end") << "a*c" << "axxxd" << false;
    QTest::newRow("* needs backtracking") << "a*bc" << "abxbc" << true;
    QTest::newRow("several stars") << "*b*d*" << "abcde" << true;
    QTest::newRow("# is a digit") << "a#*" << "a1x" << true;
    QTest::newRow("# is not a letter") << "a#*" << "abx" << false;
    QTest::newRow("# is not another digit form") << "#" << u"\u0663"_s << false;
    QTest::newRow("set") << "a[bc]*" << "ACx" << true;
    QTest::newRow("set, not listed") << "a[bc]*" << "adx" << false;
    QTest::newRow("negated set") << "a[!bc]*" << "adx" << true;
    QTest::newRow("negated set, listed") << "a[!bc]*" << "abx" << false;
    QTest::newRow("range") << "[b-d]*" << "Cx" << true;
    QTest::newRow("range, outside") << "[b-d]*" << "ex" << false;
    QTest::newRow("capital range takes small letters") << "[A-Z]*" << "q" << true;
    QTest::newRow("backwards range holds nothing") << "[z-a]*" << "m" << false;
    QTest::newRow("hyphen first is itself") << "[-x]*" << "-a" << true;
    QTest::newRow("hyphen last is itself") << "[x-]*" << "-a" << true;
    QTest::newRow("[*] is a star") << "[*]*" << "*star" << true;
    QTest::newRow("[*] is only a star") << "[*]*" << "xstar" << false;
    QTest::newRow("[?] is a question mark") << "[?]*" << "?x" << true;
    QTest::newRow("[?] is only that") << "[?]*" << "ax" << false;
    QTest::newRow("[#] is a number sign") << "[#]*" << "#1" << true;
    QTest::newRow("[#] is not a digit") << "[#]*" << "1" << false;
    QTest::newRow("[[] is a bracket") << "[[]*" << "[x" << true;
    QTest::newRow("[] is the empty text") << "a[]b" << "ab" << true;
    QTest::newRow("unclosed [ is itself") << "[ab*" << "[abc" << true;
    QTest::newRow("unclosed [ is not a set") << "[ab*" << "a" << false;
    QTest::newRow("] alone is itself") << "a]*" << "a]" << true;
    QTest::newRow("! alone is itself") << "!*" << "!x" << true;
    QTest::newRow("% is itself") << "100%*" << "100%" << true;
    QTest::newRow("% is no wildcard") << "1%*" << "100" << false;
    QTest::newRow("_ is itself") << "a_b*" << "a_b" << true;
    QTest::newRow("_ is no wildcard") << "a_b*" << "axb" << false;
    QTest::newRow("quote") << "o'b*" << "O'Brien" << true;
    QTest::newRow("empty pattern, empty text") << "" << "" << true;
    QTest::newRow("star, empty text") << "*" << "" << true;
    QTest::newRow("empty pattern, some text") << "" << "a" << false;
}

void tst_JetText::pattern()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, matches);
    QCOMPARE(JetText::Pattern(pattern).matches(text), matches);
}

void tst_JetText::utf8MatchesLikeText()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, matches);
    QCOMPARE(JetText::Pattern(pattern).matchesUtf8(text.toUtf8()), matches);
}

void tst_JetText::compare_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<int>("sign");

    QTest::newRow("same") << "Boss" << "Boss" << 0;
    QTest::newRow("case") << "boss" << "BOSS" << 0;
    QTest::newRow("accented case") << u"ÉTÉ"_s << u"été"_s << 0;
    QTest::newRow("composed and decomposed") << u"é"_s << u"e\u0301"_s << 0;
    QTest::newRow("accent differs") << "ete" << u"été"_s << -1;
    QTest::newRow("prefix is less") << "Bos" << "boss" << -1;
    QTest::newRow("longer is more") << "bossa" << "BOSS" << 1;
    QTest::newRow("trailing blank counts") << "boss " << "boss" << 1;
}

void tst_JetText::compare()
{
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(int, sign);
    const auto signOf = [](int v) { return (v > 0) - (v < 0); };
    QCOMPARE(signOf(JetText::compare(left, right)), sign);
    QCOMPARE(signOf(JetText::compareUtf8(left.toUtf8(), right.toUtf8())), sign);
    QCOMPARE(signOf(JetText::compare(right, left)), -sign);
}

QTEST_APPLESS_MAIN(tst_JetText)
#include "tst_jettext.moc"
