#pragma once
// The shared helpers, one header each; this one brings them all. They keep no state and never
// report an error to the caller: bad input gives false, 0 or an empty result.
#include "common/abuseurl.h"
#include "common/filenames.h"
#include "common/numbers.h"
#include "common/ownfile.h"
#include "common/shellopen.h"
