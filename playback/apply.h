// Applying one interpolated sample to one aircraft: SimConnect tagged data for levers
// and surfaces, client events for the parking brake and radios, and the host's object
// interface for exact position, attitude, velocity and lights.
#pragma once

#include <cstdint>

#include "recording/sample.h"

void ApplySample(const FullSample* sample, uint32_t objectId, uint32_t groups);
