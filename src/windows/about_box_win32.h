// The modal "О программе" box: the program's name, its version as its own version resource
// states it, the maker's addresses and the picture.
#pragma once

#include <windows.h>

namespace tk52::win32 {

// Returns when the box is closed.
void show_about_box(HINSTANCE instance, HWND owner);

}  // namespace tk52::win32
