// Compiled into every program that links the in-memory backend as its own.
#include "ui/headless/headless_backend.h"

namespace ui {
namespace detail {
TBackend& DefaultBackend() { return headless::Backend(); }
}  // namespace detail
}  // namespace ui
