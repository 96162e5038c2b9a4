#include "audio/acs_procs.h"

#include <cmath>
#include <numeric>

namespace {

constexpr double TwoPi = 6.28318530718;
constexpr double FourPi = 12.56637061436;

// Fills the window with shape(i / N).
template <typename Shape> void FillWindow(std::span<double> Window, bool Symmetric, Shape shape)
{
    const auto width = std::ssize(Window);
    const double n = double(Symmetric && width > 1 ? width - 1 : width);
    for (std::ptrdiff_t i = 0; i < width; ++i)
        Window[std::size_t(i)] = shape(double(i) / n);
}

} // namespace

void HammingWindow(std::span<double> Window, bool Symmetric)
{
    FillWindow(Window, Symmetric, [](double x) { return 0.54 - 0.46 * std::cos(TwoPi * x); });
}

void HannWindow(std::span<double> Window, bool Symmetric)
{
    FillWindow(Window, Symmetric, [](double x) { return (1.0 - std::cos(TwoPi * x)) / 2.0; });
}

void BlackmanWindow(std::span<double> Window, bool Symmetric)
{
    FillWindow(Window, Symmetric,
               [](double x) { return 0.42 - 0.5 * std::cos(TwoPi * x) + 0.08 * std::cos(FourPi * x); });
}

void CalculateSincKernel(std::span<double> Kernel, TFilterWindowType Window, double Cutoff)
{
    switch (Window) {
    case fwHamming:
        HammingWindow(Kernel, false);
        break;
    case fwHann:
        HannWindow(Kernel, false);
        break;
    case fwBlackman:
        BlackmanWindow(Kernel, false);
        break;
    }
    const auto centre = std::ssize(Kernel) / 2;
    for (std::ptrdiff_t i = 0; i < std::ssize(Kernel); ++i) {
        const double offset = double(i - centre);
        const double sinc = i == centre ? TwoPi * Cutoff : std::sin(TwoPi * Cutoff * offset) / offset;
        Kernel[std::size_t(i)] *= sinc;
    }
    const double sum = std::accumulate(Kernel.begin(), Kernel.end(), 0.0);
    for (double& coefficient : Kernel)
        coefficient /= sum;
}
