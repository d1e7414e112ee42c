// RoundToInt and TextToInt.
#include "engine/base/numeric.h"

#include <cctype>
#include <climits>
#include <cmath>

int RoundToInt(double x)
{
    if (std::isnan(x))
        return 0;
    double i = 0.0;
    const double f = std::modf(x, &i);
    if (std::fabs(f) >= 0.5)
        i += f > 0 ? 1.0 : -1.0;
    if (i >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (i <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(i);
}

int TextToInt(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])))
        ++pos;
    bool bNegative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        bNegative = text[pos++] == '-';
    long long value = 0;
    for (; pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])); ++pos) {
        value = value * 10 + (text[pos] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (bNegative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    return static_cast<int>(value);
}
