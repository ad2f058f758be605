#include "windows/keyboard_navigation_win32.h"

#include <commctrl.h>

namespace tk52::win32 {
namespace {

HWND next_of(HWND control) {
  return static_cast<HWND>(GetPropW(control, kNextControlProperty));
}

HWND first_of(HWND tab, int index) {
  if (index < 0 || index >= static_cast<int>(kFirstControlProperties.size()))
    return nullptr;
  return static_cast<HWND>(GetPropW(tab, kFirstControlProperties[static_cast<std::size_t>(index)]));
}

// Follows the chain from `control` while the control is disabled. Every chain closes (at the
// tab control or, in the port window, in a ring), so a bound on the steps only guards against a
// chain that does not.
HWND first_enabled(HWND control) {
  for (int steps = 0; control != nullptr && !IsWindowEnabled(control) && steps < 256; ++steps)
    control = next_of(control);
  return control;
}

bool link(HWND from, HWND to) {
  return from != nullptr && to != nullptr && SetPropW(from, kNextControlProperty, to) != FALSE;
}

}  // namespace

bool set_up_navigation(HWND tab, const std::array<std::vector<HWND>, 4>& pages,
                       const std::vector<HWND>& port_window_ring) {
  for (std::size_t page = 0; page < pages.size(); ++page) {
    const std::vector<HWND>& chain = pages[page];
    if (chain.empty())
      continue;
    if (!SetPropW(tab, kFirstControlProperties[page], chain.front()))
      return false;
    for (std::size_t i = 0; i < chain.size(); ++i) {
      if (!link(chain[i], i + 1 < chain.size() ? chain[i + 1] : tab))
        return false;
    }
  }
  for (std::size_t i = 0; i < port_window_ring.size(); ++i) {
    if (!link(port_window_ring[i], port_window_ring[(i + 1) % port_window_ring.size()]))
      return false;
  }
  return true;
}

void on_tab_key(HWND tab) {
  HWND focus = GetFocus();
  const int current = static_cast<int>(SendMessageW(tab, TCM_GETCURSEL, 0, 0));
  HWND target = nullptr;
  if (focus == tab) {
    target = first_enabled(first_of(tab, current));
  } else {
    HWND next = focus != nullptr ? next_of(focus) : nullptr;
    // Outside every chain: the current page's first control, unless the focus is in another
    // top-level window (the port window itself, a viewer), which the main window's pages are
    // not part of.
    if (next == nullptr &&
        (focus == nullptr || GetAncestor(focus, GA_ROOT) == GetAncestor(tab, GA_ROOT)))
      next = first_of(tab, current);
    target = first_enabled(next);
  }
  if (target != nullptr)
    SetFocus(target);
}

}  // namespace tk52::win32
