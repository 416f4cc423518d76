#pragma once

#include "services/TrackingService.h"

// 17TRACK API v2.2: up to 40 numbers a call, the token in a header. A number
// must be registered (which spends quota) before gettrackinfo answers for it.
std::unique_ptr<TrackingProtocol> MakeTrack17Protocol();
