#include "keytable.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace ModHook {

namespace {

constexpr quint32 blockedVirtualKeys[] = {
    0x09, // Tab
    0x5B, // left Windows key
    0x5C, // right Windows key
    0xA4, // left Alt
};

constexpr quint32 blockedKeysyms[] = {
    0xFF09, // Tab
    0xFE20, // ISO_Left_Tab: Tab with Shift held
    0xFFEB, // Super_L
    0xFFEC, // Super_R
    0xFFE9, // Alt_L
    0xFFE7, // Meta_L: the left Alt with Shift held on common layouts
};

KeyEventRecord lastKeyEvent;

} // namespace

bool IsBlockedVirtualKey(quint32 vkCode)
{
    return std::find(std::begin(blockedVirtualKeys), std::end(blockedVirtualKeys), vkCode)
            != std::end(blockedVirtualKeys);
}

bool IsBlockedKeysym(quint32 keysym)
{
    return std::find(std::begin(blockedKeysyms), std::end(blockedKeysyms), keysym)
            != std::end(blockedKeysyms);
}

qint32 KeyboardHookProc(qint32 nCode, quintptr wParam, const KeyEventRecord *lParam,
                        qint32 (*nextHook)(qint32, quintptr, const KeyEventRecord *))
{
    if (nCode == HC_ACTION && lParam) {
        std::memcpy(&lastKeyEvent, lParam, sizeof lastKeyEvent);
        if (IsBlockedVirtualKey(lastKeyEvent.vkCode))
            return 1;
    }
    return nextHook ? nextHook(nCode, wParam, lParam) : 0;
}

KeyEventRecord LastKeyEvent()
{
    return lastKeyEvent;
}

} // namespace ModHook
