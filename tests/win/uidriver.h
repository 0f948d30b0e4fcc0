#pragma once
// Drives the program's real windows from outside, as a person would: finds a top-level window by
// caption, its controls by control id, class or text, reads texts, states and positions, clicks,
// picks list items and presses keys. Works across processes (every message used is one the
// system carries between processes) and from another thread of the same process.
#include <windows.h>

#include <string>
#include <vector>

namespace uidriver {

// A visible top-level window of this caption (and class, when not empty; of this process, when
// process is not 0), waiting up to timeout_ms.
HWND WaitWindow(const std::wstring& caption, int timeout_ms, const std::wstring& cls = L"",
                DWORD process = 0);
// The same among the windows of the calling process only.
HWND WaitOwnWindow(const std::wstring& caption, int timeout_ms);
// Waits until the window is gone or hidden.
bool WaitGone(HWND window, int timeout_ms);

// A control anywhere below top: "#1000" by control id, "=OK" by its text, else by class name
// (first in creation order, "ComboBox", "Button", "RICHEDIT50W", ...).
HWND Find(HWND top, const std::wstring& selector);
std::vector<HWND> Controls(HWND top);

std::wstring Text(HWND control);
std::wstring ClassOf(HWND control);
int ControlId(HWND control);
// Position and size relative to the client area of the top-level window.
RECT RectInTop(HWND control);
SIZE ClientSize(HWND top);
bool Visible(HWND control);
bool Enabled(HWND control);
bool Checked(HWND check_box);
int ProgressPosition(HWND bar);
std::vector<std::wstring> ComboItems(HWND combo);
int ComboSelection(HWND combo);

// Queued, so a click that opens a modal dialog does not block the driver.
void Click(HWND button);
// Selects the item and tells the owner, as a pick with the mouse does.
bool PickItem(HWND combo, int index);
void SetText(HWND edit, const std::wstring& text);
void PressEnter(HWND control);
void PressAltF4(HWND top);
void CloseWindow(HWND top);

// A one-line description of every control: id, class, text, rectangle, visible, enabled.
std::wstring Describe(HWND top);

}  // namespace uidriver
