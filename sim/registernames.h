// What the camera's registers hold, by group/index, for the register map and
// the traffic log.
#pragma once

#include <cstdint>
#include <string>

namespace camdeck::sim {

// "exposure mode" for 2/0; "" for a register the camera does not document.
std::string registerName(std::uint8_t group, std::uint8_t index);

} // namespace camdeck::sim
