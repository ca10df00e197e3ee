#include "toolkit/twips.h"

#include "toolkit/error.h"

#include <cmath>
#include <limits>

namespace tk {

int PixelsFromTwips(float twips)
{
    const double pixels = std::nearbyint(double{twips} / kTwipsPerPixel);
    if (!std::isfinite(pixels) || pixels < std::numeric_limits<int>::min() ||
        pixels > std::numeric_limits<int>::max())
        throw Error("Overflow");
    return static_cast<int>(pixels);
}

} // namespace tk
