// The names people and scripts give controls, masks and moves: ASCII words
// compared without regard to case. Pure: no Qt.
#pragma once

#include <string>
#include <string_view>

namespace camdeck::protocol {

bool sameWord(std::string_view a, std::string_view b);
std::string lowerCase(std::string_view word);

} // namespace camdeck::protocol
