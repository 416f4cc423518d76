#pragma once

#include "services/TrackingService.h"

// The one-line interface (/apione): a GET per number, the answer plain text
// whose last state stands before "更多". No account, no trace: the newest line
// is all it gives.
std::unique_ptr<TrackingProtocol> MakeClassicProtocol();
