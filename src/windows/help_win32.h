// The help file "tkhelp.chm", opened by the menu item and by F1 through the system's HTML Help.
#pragma once

#include <windows.h>

namespace tk52::win32 {

// Opens the help's first topic over owner. Does nothing when HTML Help is not installed; a
// missing help file is reported by HTML Help itself.
void show_help(HWND owner);

}  // namespace tk52::win32
