// Compiled into every program that takes real windows as its backend.
#include "ui/win32/win32_backend.h"

namespace ui {
namespace detail {
TBackend& DefaultBackend() { return win32::Backend(); }
}  // namespace detail
}  // namespace ui

namespace {
// The hand-over window must belong to the main thread, so the backend starts with the module.
ui::TBackend& g_started = ui::win32::Backend();
}  // namespace
