#include "names.h"

#include <algorithm>
#include <cctype>

namespace camdeck::protocol {

namespace {

char lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

} // namespace

bool sameWord(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return lower(x) == lower(y); });
}

std::string lowerCase(std::string_view word)
{
    std::string result(word);
    std::transform(result.begin(), result.end(), result.begin(), lower);
    return result;
}

} // namespace camdeck::protocol
