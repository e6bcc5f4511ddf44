#include "registernames.h"

#include <map>
#include <utility>

namespace camdeck::sim {

namespace {

using Address = std::pair<int, int>;

const std::map<Address, std::string> &names()
{
    static const std::map<Address, std::string> table = [] {
        std::map<Address, std::string> t {
            {{2, 0}, "exposure mode"},
            {{2, 1}, "ALC level"},
            {{2, 2}, "AES level"},
            {{2, 3}, "fixed shutter speed"},
            {{2, 4}, "gain and shutter mode"},
            {{2, 5}, "automatic gain level"},
            {{2, 6}, "manual gain level"},
            {{2, 8}, "slow shutter speed"},
            {{2, 10}, "peak control"},
            {{3, 0}, "xdr mode"},
            {{3, 1}, "fog mode"},
            {{3, 2}, "eclipse mode"},
            {{3, 3}, "dnr mode"},
            {{3, 4}, "H values (sdv, hdv)"},
            {{3, 5}, "V values (sdv, hdv)"},
            {{3, 6}, "gamma"},
            {{3, 7}, "sharpness mode"},
            {{4, 0}, "white balance and colour mode"},
            {{4, 1}, "colour suppression"},
            {{4, 2}, "ATW level"},
            {{4, 3}, "AWB level"},
            {{4, 4}, "colour gain"},
            {{4, 5}, "colour tone R-Y"},
            {{4, 6}, "colour tone B-Y"},
            {{4, 19}, "UV matrix UR"},
            {{4, 20}, "UV matrix UG"},
            {{4, 21}, "UV matrix UB"},
            {{4, 22}, "UV matrix VR"},
            {{4, 23}, "UV matrix VG"},
            {{4, 24}, "UV matrix VB"},
            {{5, 0}, "magnification mode"},
            {{5, 7}, "autopan x"},
            {{5, 8}, "autopan y"},
            {{8, 0}, "aspect"},
            {{8, 1}, "flips and negative"},
            {{8, 2}, "colour bar and crosshair"},
            {{8, 8}, "text display"},
            {{8, 35}, "hdv mode"},
            {{8, 36}, "sdv mode"},
            {{8, 38}, "freeze"},
        };
        // 16-bit values: low byte at the index, high byte at the next.
        const std::pair<Address, std::string> words[] = {
            {{5, 1}, "magnitude"},
            {{5, 3}, "magnified x position"},
            {{5, 5}, "magnified y position"},
            {{8, 3}, "crosshair x"},
            {{8, 5}, "crosshair y"},
        };
        for (const auto &[address, name] : words) {
            t[address] = name;
            t[{address.first, address.second + 1}] = name + ", high byte";
        }
        for (int position = 0; position < 24; ++position)
            t[{8, 11 + position}] = "text position " + std::to_string(position);
        return t;
    }();
    return table;
}

} // namespace

std::string registerName(std::uint8_t group, std::uint8_t index)
{
    const auto found = names().find({group, index});
    return found == names().end() ? std::string() : found->second;
}

} // namespace camdeck::sim
