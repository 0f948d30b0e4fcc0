#include "platform/hooks.h"
#include "platform/resources.h"

namespace platform {

bool FindRcData(const char* name, RcData& out) { return detail::FindOverride(name, out, true); }

}  // namespace platform
