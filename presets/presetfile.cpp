#include "presetfile.h"

#include <algorithm>
#include <cstdio>

namespace camdeck {

namespace {

constexpr ExposureSettings builtIn[presetCount] = {
    {1, 16, 1, 11, 0, 16, 0, 0, 1, 12, 0, 0, 1, 8, 0},
    {0, 15, 1, 10, 0, 16, 0, 0, 1, 11, 0, 0, 1, 8, 0},
    {1, 16, 1, 9, 0, 16, 1, 0, 1, 12, 0, 0, 1, 8, 1},
    {1, 16, 1, 8, 0, 16, 1, 0, 1, 12, 0, 0, 1, 8, 1},
    {1, 16, 1, 0, 0, 16, 1, 7, 1, 12, 0, 0, 1, 8, 1},
};

} // namespace

bool isPresetSlot(int slot)
{
    return slot >= 0 && slot < presetCount;
}

std::string presetFileName(int slot)
{
    return "preset" + std::to_string(slot + 1) + ".txt";
}

ExposureSettings builtInPreset(int slot)
{
    return isPresetSlot(slot) ? builtIn[slot] : ExposureSettings{};
}

std::string formatPresetFile(const ExposureSettings &values)
{
    std::string text;
    for (const int value : values) {
        char line[8];
        std::snprintf(line, sizeof line, "%02d\n",
                      std::clamp(value, presetValueMin, presetValueMax));
        text += line;
    }
    return text;
}

ExposureSettings parsePresetFile(std::string_view text)
{
    ExposureSettings values{};
    for (std::size_t k = 0; k < values.size(); ++k)
        values[k] = presetPieceValue(text.substr(std::min(3 * k, text.size()), 2));
    return values;
}

int presetPieceValue(std::string_view piece)
{
    constexpr std::string_view whiteSpace = " \t\n\v\f\r";
    std::size_t i = 0;
    while (i < piece.size() && whiteSpace.find(piece[i]) != std::string_view::npos)
        ++i;
    bool negative = false;
    if (i < piece.size() && (piece[i] == '+' || piece[i] == '-'))
        negative = piece[i++] == '-';
    int value = 0;
    for (; i < piece.size() && piece[i] >= '0' && piece[i] <= '9'; ++i)
        value = value * 10 + (piece[i] - '0');
    return negative ? -value : value;
}

} // namespace camdeck
