#pragma once

#include <cstdint>
#include <span>

// Windows and the windowed-sinc low-pass kernel of the sampling-rate converter.

enum TFilterWindowType : std::uint8_t { fwHamming = 0, fwHann = 1, fwBlackman = 2 };

// Each fills Window for i = 0 .. Width - 1 with N = Width - 1 when Symmetric, else N = Width.
void HammingWindow(std::span<double> Window, bool Symmetric);
void HannWindow(std::span<double> Window, bool Symmetric);
void BlackmanWindow(std::span<double> Window, bool Symmetric);

// A low-pass kernel summing to 1, centred on coefficient Width div 2. Cutoff is a fraction of the
// sampling rate of the signal being filtered.
void CalculateSincKernel(std::span<double> Kernel, TFilterWindowType Window, double Cutoff);
