#include "startup/commands.h"

#include "sound/library.h"
#include "toolkit/error.h"
#include "toolkit/form.h"
#include "toolkit/platform.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace tarvisk {

std::string AddBackslash(std::string& path)
{
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path;
}

std::string FileNameOf(const std::string& path)
{
    std::string s = path;
    if (!s.empty() && s.back() == '\\')
        s.pop_back();
    if (auto slash = s.rfind('\\'); slash != std::string::npos)
        s.erase(0, slash + 1);
    return s;
}

namespace {

// Rounds to the nearest 32-bit integer, an exact half to the even neighbour.
std::int32_t RoundToLong(double value)
{
    if (!std::isfinite(value))
        throw tk::Error("Overflow");
    double rounded = std::round(value);
    if (std::fabs(value - std::trunc(value)) == 0.5)
        rounded = 2.0 * std::round(value / 2.0);
    if (rounded < std::numeric_limits<std::int32_t>::min() ||
        rounded > std::numeric_limits<std::int32_t>::max())
        throw tk::Error("Overflow");
    return static_cast<std::int32_t>(rounded);
}

std::int32_t Subtract(std::int32_t a, std::int32_t b)
{
    std::int64_t difference = std::int64_t{a} - b;
    if (difference < std::numeric_limits<std::int32_t>::min() ||
        difference > std::numeric_limits<std::int32_t>::max())
        throw tk::Error("Overflow");
    return static_cast<std::int32_t>(difference);
}

} // namespace

void CenterForm(tk::Form& window, const tk::Screen& screen)
{
    // The product is formed in double precision; a fault there is an error.
    double product = double{screen.Height()} * 0.85;
    if (!std::isfinite(product))
        throw tk::Error("Overflow");
    std::int32_t top = Subtract(RoundToLong(product) / 2, RoundToLong(window.Height()) / 2);
    window.SetTop(static_cast<float>(top));

    std::int32_t left = Subtract(RoundToLong(screen.Width()) / 2, RoundToLong(window.Width()) / 2);
    window.SetLeft(static_cast<float>(left));

    if (window.Top() < 0)
        window.SetTop(0);
    if (window.Left() < 0)
        window.SetLeft(0);
}

void InitEnvironment(Globals& g, tk::Process& process)
{
    tk::ResumeNext([&] { g.AppPath = process.ExecutableFolder(); });
    tk::ResumeNext([&] { AddBackslash(g.AppPath); });
}

void InitAppPaths(Globals& g)
{
    tk::ResumeNext([&] { g.TunesDir = g.AppPath + std::string(kTunesFolder); });
    tk::ResumeNext([&] { g.ResetWav = g.TunesDir + std::string(kResetFile); });
}

} // namespace tarvisk
