#include "modhook.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace ModHook {

#ifdef Q_OS_WIN

namespace {

HHOOK hookHandle = nullptr;

LRESULT CALLBACK lowLevelKeyboardProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    // lParam is a KBDLLHOOKSTRUCT only for HC_ACTION; any other call goes on
    // untouched, as the system asks.
    if (nCode == HC_ACTION && lParam) {
        const auto *event = reinterpret_cast<const KBDLLHOOKSTRUCT *>(lParam);
        KeyEventRecord record;
        record.vkCode = event->vkCode;
        record.scanCode = event->scanCode;
        record.flags = event->flags;
        record.time = event->time;
        record.dwExtraInfo = quint32(event->dwExtraInfo); // kept for LastKeyEvent only
        // Without a next hook the table answers 1 for a blocked key, else 0.
        if (KeyboardHookProc(nCode, quintptr(wParam), &record) != 0)
            return 1;
    }
    // The next hook gets the system's own record, and its answer, a full
    // LRESULT, goes back unchanged.
    return CallNextHookEx(hookHandle, nCode, wParam, lParam);
}

} // namespace

void InstallKeyboardGuard(QWidget *)
{
    RemoveKeyboardGuard();
    // A failed install leaves the handle empty; no key is blocked then.
    hookHandle = SetWindowsHookExW(WH_KEYBOARD_LL, lowLevelKeyboardProc, GetModuleHandleW(nullptr), 0);
}

void RemoveKeyboardGuard()
{
    if (hookHandle) {
        UnhookWindowsHookEx(hookHandle);
        hookHandle = nullptr;
    }
}

bool IsKeyboardGuardInstalled()
{
    return hookHandle != nullptr;
}

#else

namespace {

QPointer<QWidget> grabber;

// Swallows the blocked keys application-wide while the grab holds the
// keyboard. Qt hands every grabbed key to the grabbing window itself; the
// other keys are passed on to the widget that has the focus, as they would
// arrive without the guard.
class KeyFilter : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride: {
            auto *key = static_cast<QKeyEvent *>(event);
            if (IsBlockedKeysym(key->nativeVirtualKey()) || isBlockedQtKey(key->key()))
                return true;
            // An ignored key climbs back to the window; do not send it again.
            QWidget *focus = QApplication::focusWidget();
            if (!m_forwarding && watched == grabber && focus && focus != grabber
                && event->type() != QEvent::ShortcutOverride) {
                m_forwarding = true;
                QCoreApplication::sendEvent(focus, key);
                m_forwarding = false;
                return true;
            }
            break;
        }
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_forwarding = false;

    static bool isBlockedQtKey(int key)
    {
        // Keys without a native code (synthesised events) by their Qt name;
        // Qt does not tell left from right Alt, so Alt itself stays allowed.
        return key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Super_L
                || key == Qt::Key_Super_R;
    }
};

KeyFilter *filter = nullptr;

bool canGrab()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

} // namespace

void InstallKeyboardGuard(QWidget *window)
{
    RemoveKeyboardGuard();
    if (!canGrab() || !qApp)
        return;
    filter = new KeyFilter;
    qApp->installEventFilter(filter);
    grabber = window ? window->window() : QApplication::activeWindow();
    if (grabber)
        grabber->grabKeyboard();
}

void RemoveKeyboardGuard()
{
    if (grabber)
        grabber->releaseKeyboard();
    grabber = nullptr;
    if (filter) {
        if (qApp)
            qApp->removeEventFilter(filter);
        delete filter;
        filter = nullptr;
    }
}

bool IsKeyboardGuardInstalled()
{
    return filter != nullptr;
}

#endif

} // namespace ModHook
