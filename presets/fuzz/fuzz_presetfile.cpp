// libFuzzer target: any text handed to the preset reader must read without a
// crash or a read past its end, every value must fit the two characters the
// format has, and what is read must save and read back unchanged.
#include "presets/presetfile.h"

#include <algorithm>
#include <cstdlib>

using namespace camdeck;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // An exact-size copy, so AddressSanitizer sees any read past the end.
    auto *copy = static_cast<char *>(std::malloc(size ? size : 1));
    std::copy(data, data + size, copy);
    const ExposureSettings read = parsePresetFile(std::string_view(copy, size));
    std::free(copy);

    for (const int value : read) {
        if (value < presetValueMin || value > presetValueMax)
            std::abort();
    }
    const std::string saved = formatPresetFile(read);
    if (saved.size() != 45 || !(parsePresetFile(saved) == read))
        std::abort();
    return 0;
}
