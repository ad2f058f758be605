// Keyboard navigation. The pages are child windows of the tab control, not dialogs, so Tab does
// not move the focus by itself: each page keeps a chain of its controls as window properties,
// and the message loop walks it when it sees Tab. Every chain ends at the tab control, so a
// walk always ends on an enabled window.
#pragma once

#include <windows.h>

#include <array>
#include <vector>

namespace tk52::win32 {

// The successor of a control in its chain.
inline constexpr wchar_t kNextControlProperty[] = L"#P_NXT_CONTROL";
// On the tab control: the first control of each page's chain, by tab index. The journals page
// (the fourth tab) has a chain too, so that it can be used from the keyboard alone.
inline constexpr std::array<const wchar_t*, 4> kFirstControlProperties = {
    L"#P_TAB1_FIRS_CTRL", L"#P_TAB2_FIRS_CTRL", L"#P_TAB3_FIRS_CTRL", L"#P_TAB4_FIRS_CTRL"};

// Sets up the chains: `pages[i]` lists the controls of tab i in their focus order. The port
// window's controls (list, "ОК", scan) form a ring of their own. False when a property cannot
// be set.
bool set_up_navigation(HWND tab, const std::array<std::vector<HWND>, 4>& pages,
                       const std::vector<HWND>& port_window_ring);

// Tab pressed: moves the focus to the next enabled control of the current page's chain (or of
// the port window's ring). Shift+Tab moves forward too.
void on_tab_key(HWND tab);

}  // namespace tk52::win32
