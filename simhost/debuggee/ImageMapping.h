// Placing a memory image at its own addresses in the calling process: used by the
// debuggee helper for the image it holds, and by a host that serves the image itself.
// Needs nothing but the operating system, so that the helper stays small.
#pragma once

#include <string>
#include <vector>

#include "simhost/debuggee/MemoryImage.h"

namespace orvel::sim {

// The allocation unit of this system (a page, or 64 KiB on Windows).
uint64_t MappingGranularity();

// Maps every span of the regions read/write at its exact address and copies the bytes
// in; *mapped gets the spans placed. Empty when done; else a message naming the span
// that could not be placed (an address this process uses already), with nothing left
// mapped. The regions must have passed ValidateRegions.
std::string MapImage(const std::vector<Region>& regions, std::vector<MappingSpan>* mapped);

// Gives back spans that MapImage placed.
void UnmapImage(const std::vector<MappingSpan>& spans);

} // namespace orvel::sim
