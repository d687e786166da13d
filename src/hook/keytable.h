#pragma once

#include <QtGlobal>

// Which keys the keyboard guard swallows while a screen tool is held: the
// keys that switch windows or open the start menu (Tab, both Super/Windows
// keys, the left Alt). Right Alt, Escape, letters and arrows pass.
namespace ModHook {

// One low-level key event as the platform's hook hands it over.
struct KeyEventRecord
{
    quint32 vkCode = 0;
    quint32 scanCode = 0;
    quint32 flags = 0;
    quint32 time = 0;
    quint32 dwExtraInfo = 0;
};

constexpr int HC_ACTION = 0;

// Windows virtual key codes.
bool IsBlockedVirtualKey(quint32 vkCode);
// X11 keysyms, as QKeyEvent::nativeVirtualKey() reports them there.
bool IsBlockedKeysym(quint32 keysym);

// The hook procedure: for a key event to act on (nCode 0) it keeps a copy of
// the record and answers 1 for a blocked key, swallowing it on key-down and
// key-up alike. Every other call goes to the next hook, whose answer
// nextHook gives (0 where there is no chain).
qint32 KeyboardHookProc(qint32 nCode, quintptr wParam, const KeyEventRecord *lParam,
                        qint32 (*nextHook)(qint32, quintptr, const KeyEventRecord *) = nullptr);

// The record of the last key event the hook acted on.
KeyEventRecord LastKeyEvent();

} // namespace ModHook
