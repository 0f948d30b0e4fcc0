#pragma once
#include "ui/backend.h"

namespace ui {
namespace headless {
TBackend& Backend();
}  // namespace headless
}  // namespace ui
