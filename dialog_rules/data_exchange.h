// Reading and writing the dialog's numeric fields, the way the C library's
// "%lf", "%lu" and "%.15g" conversions do it, but independent of the locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Leading white space skipped, then the longest prefix that forms a decimal
// floating-point number (sign, digits, optional fraction and exponent). The
// rest of the text is ignored. "nan", "inf" and hexadecimal forms are not
// numbers. A value too large for a double reads as an infinity.
std::optional<double> scanDecimal(std::string_view text);

// Leading white space, an optional sign, decimal digits; the rest is ignored.
// A minus sign negates modulo 2^32; a magnitude above 2^32 - 1 reads as
// 4294967295 whatever the sign.
std::optional<uint32_t> scanUnsigned(std::string_view text);

// A double as "%.15g" writes it in the C locale: 0.5, 440, 65.406391.
std::string formatDouble(double value);
