#include "presetfile.h"

#include <algorithm>
#include <cstdio>

namespace camdeck {

std::string formatPresetFile(const PresetSlot &values)
{
    std::string text;
    for (const auto field : presetFields) {
        char line[8];
        const int value = std::clamp(values.*field, presetValueMin, presetValueMax);
        std::snprintf(line, sizeof line, "%02d\n", value);
        text += line;
    }
    return text;
}

PresetSlot parsePresetFile(std::string_view text)
{
    PresetSlot values;
    for (std::size_t k = 0; k < presetFields.size(); ++k) {
        const std::size_t at = std::min(3 * k, text.size());
        values.*presetFields[k] = presetPieceValue(text.substr(at, 2));
    }
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
