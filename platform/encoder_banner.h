#pragma once

// Plain C++ with no Qt: the encoder program prints these and the program reads them back.

namespace plat {

// The encoder's banner line, "tooLAME version <version> (<home page>)": the program probes for the
// version and strips the address from the line it logs.
inline constexpr char kEncoderVersion[] = "0.2l";
inline constexpr char kEncoderHomePage[] = "tamsel.works/korvane";

} // namespace plat
