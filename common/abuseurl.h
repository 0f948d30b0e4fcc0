#pragma once
// The abuse-report page of the finish page's link.
#include "platform/types.h"

// The abuse-report page; the package number is appended to it.
AnsiString AbuseBaseUrl();
