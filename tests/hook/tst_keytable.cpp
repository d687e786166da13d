#include "keytable.h"

#include <QTest>

using namespace ModHook;

class tst_KeyTable : public QObject
{
    Q_OBJECT
private slots:
    void hookProc_data();
    void hookProc();
    void otherCodesGoToTheNextHook();
    void x11Keysyms_data();
    void x11Keysyms();
};

static qint32 nextHookAnswer(qint32, quintptr, const KeyEventRecord *)
{
    return 42;
}

void tst_KeyTable::hookProc_data()
{
    QTest::addColumn<quint32>("vkCode");
    QTest::addColumn<bool>("blocked");
    QTest::newRow("Tab") << 0x09u << true;
    QTest::newRow("left Windows") << 0x5Bu << true;
    QTest::newRow("right Windows") << 0x5Cu << true;
    QTest::newRow("left Alt") << 0xA4u << true;
    QTest::newRow("right Alt") << 0xA5u << false;
    QTest::newRow("Alt (menu)") << 0x12u << false;
    QTest::newRow("Escape") << 0x1Bu << false;
    QTest::newRow("A") << 0x41u << false;
    QTest::newRow("7") << 0x37u << false;
    QTest::newRow("left arrow") << 0x25u << false;
    QTest::newRow("Enter") << 0x0Du << false;
}

void tst_KeyTable::hookProc()
{
    QFETCH(quint32, vkCode);
    QFETCH(bool, blocked);
    KeyEventRecord record;
    record.vkCode = vkCode;
    record.scanCode = 0x0F;
    record.time = 1234;
    // Key-down and key-up alike: the message is not looked at.
    for (quintptr message : { quintptr(0x100), quintptr(0x101), quintptr(0x104) }) {
        QCOMPARE(KeyboardHookProc(HC_ACTION, message, &record, nextHookAnswer), blocked ? 1 : 42);
        QCOMPARE(LastKeyEvent().vkCode, vkCode);
        QCOMPARE(LastKeyEvent().time, 1234u);
    }
}

void tst_KeyTable::otherCodesGoToTheNextHook()
{
    KeyEventRecord tab;
    tab.vkCode = 0x09;
    KeyEventRecord letter;
    letter.vkCode = 0x41;
    KeyboardHookProc(HC_ACTION, 0x100, &letter);
    // A negative code must be passed on untouched, even for a blocked key.
    QCOMPARE(KeyboardHookProc(-1, 0x100, &tab, nextHookAnswer), 42);
    QCOMPARE(KeyboardHookProc(3, 0x100, &tab, nextHookAnswer), 42);
    QCOMPARE(LastKeyEvent().vkCode, 0x41u);
    QCOMPARE(KeyboardHookProc(HC_ACTION, 0x100, nullptr, nextHookAnswer), 42);
}

void tst_KeyTable::x11Keysyms_data()
{
    QTest::addColumn<quint32>("keysym");
    QTest::addColumn<bool>("blocked");
    QTest::newRow("Tab") << 0xFF09u << true;
    QTest::newRow("Shift+Tab") << 0xFE20u << true;
    QTest::newRow("Super_L") << 0xFFEBu << true;
    QTest::newRow("Super_R") << 0xFFECu << true;
    QTest::newRow("Alt_L") << 0xFFE9u << true;
    QTest::newRow("Alt_R") << 0xFFEAu << false;
    QTest::newRow("AltGr") << 0xFE03u << false;
    QTest::newRow("Escape") << 0xFF1Bu << false;
    QTest::newRow("a") << 0x61u << false;
    QTest::newRow("Left") << 0xFF51u << false;
}

void tst_KeyTable::x11Keysyms()
{
    QFETCH(quint32, keysym);
    QFETCH(bool, blocked);
    QCOMPARE(IsBlockedKeysym(keysym), blocked);
}

QTEST_APPLESS_MAIN(tst_KeyTable)
#include "tst_keytable.moc"
