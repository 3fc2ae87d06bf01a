#include "Twips.h"

#include <cmath>

namespace {
constexpr double kTwipsPerPixel = 15.0;
}

int twipsToPixels(int twips)
{
    if (twips == 0)
        return 0;
    const int pixels = static_cast<int>(std::lround(twips / kTwipsPerPixel));
    if (pixels == 0)
        return twips > 0 ? 1 : -1;
    return pixels;
}
