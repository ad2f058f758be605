// A numeric edit field: it keeps a minimum and a maximum, refuses every keystroke that would
// leave something other than nothing or a number in range, and puts the minimum back when the
// focus leaves it empty or invalid.
#pragma once

#include <windows.h>

namespace tk52::win32 {

// Turns an edit control into a numeric field for minimum..maximum.
void make_numeric(HWND edit, int minimum, int maximum);

void set_number(HWND edit, int value);

}  // namespace tk52::win32
