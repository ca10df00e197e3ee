#pragma once
// The window's own rectangle is in twips; the platforms place windows in
// pixels. One conversion, one error for a value no pixel can hold.

namespace tk {

inline constexpr int kTwipsPerPixel = 15;

// The nearest pixel; throws tk::Error("Overflow") for a value that is not
// finite or lies beyond a 32-bit pixel coordinate.
int PixelsFromTwips(float twips);

inline float TwipsFromPixels(int pixels) { return static_cast<float>(pixels) * kTwipsPerPixel; }

} // namespace tk
