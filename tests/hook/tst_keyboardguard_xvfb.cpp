// The guard on a real X server, with keys sent by another process.
#include "modhook.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QVBoxLayout>

class tst_KeyboardGuardXvfb : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void removeIsSafeInAnyState();
    void swallowsSwitchingKeysAndPassesOthers();

private:
    void keys(const QStringList &names);
    void xdotool(const QStringList &arguments);

    QWidget *m_window = nullptr;
    QLineEdit *m_first = nullptr;
    QLineEdit *m_second = nullptr;
};

void tst_KeyboardGuardXvfb::xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
}

void tst_KeyboardGuardXvfb::keys(const QStringList &names)
{
    xdotool(QStringList{ "key", "--delay", "20" } + names);
    // Let the X server deliver them.
    QTest::qWait(200);
}

void tst_KeyboardGuardXvfb::init()
{
    m_window = new QWidget;
    auto *layout = new QVBoxLayout(m_window);
    m_first = new QLineEdit(m_window);
    m_second = new QLineEdit(m_window);
    layout->addWidget(m_first);
    layout->addWidget(m_second);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    // No window manager gives the window the keyboard; do it as one would.
    xdotool({ "windowfocus", "--sync", QString::number(m_window->winId()) });
    m_first->setFocus();
    QTRY_VERIFY(m_first->hasFocus());
}

void tst_KeyboardGuardXvfb::cleanup()
{
    ModHook::RemoveKeyboardGuard();
    delete m_window;
}

void tst_KeyboardGuardXvfb::removeIsSafeInAnyState()
{
    ModHook::RemoveKeyboardGuard();
    ModHook::RemoveKeyboardGuard();
    QVERIFY(!ModHook::IsKeyboardGuardInstalled());
    ModHook::InstallKeyboardGuard(m_window);
    ModHook::InstallKeyboardGuard(m_window);
    QVERIFY(ModHook::IsKeyboardGuardInstalled());
    QCOMPARE(QWidget::keyboardGrabber(), m_window);
    ModHook::RemoveKeyboardGuard();
    QVERIFY(!ModHook::IsKeyboardGuardInstalled());
    QCOMPARE(QWidget::keyboardGrabber(), nullptr);
    ModHook::RemoveKeyboardGuard();
}

void tst_KeyboardGuardXvfb::swallowsSwitchingKeysAndPassesOthers()
{
    keys({ "x" });
    QCOMPARE(m_first->text(), QStringLiteral("x"));
    m_first->clear();
    ModHook::InstallKeyboardGuard(m_window);
    keys({ "Tab", "super", "Super_R", "alt+Tab", "shift+Tab" });
    QVERIFY2(m_first->hasFocus(), "Tab must not move the focus while the guard holds");
    QVERIFY(m_first->text().isEmpty());

    keys({ "a", "b", "1", "Escape", "Left", "c" });
    // Letters, digits, Escape and the arrows pass: "ab1", back one, "c".
    QCOMPARE(m_first->text(), QStringLiteral("abc1"));

    ModHook::RemoveKeyboardGuard();
    keys({ "Tab" });
    QTRY_VERIFY2(m_second->hasFocus(), "after removal Tab works again");
}

QTEST_MAIN(tst_KeyboardGuardXvfb)
#include "tst_keyboardguard_xvfb.moc"
