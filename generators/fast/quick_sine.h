// Sines and cosines for values that end as whole numbers.
//
// Every sample of a tone is trunc(sin(phase) x factor) with the C library's
// sin, and every white-noise sample a rounding of cos or sin times a few
// factors. Computing those functions a group at a time, without the
// library's calls and branches, costs a fraction of its time, but may differ
// from its value in the last bits. The quick values are therefore only used
// where that cannot matter: the sample is worked out at both ends of an
// interval of kQuickSineBound around the quick value, which holds the
// library's value, and where the two ends give the same whole number the
// library's value gives it too (every step from the sine to the sample is
// monotonic). Where they do not, the library's value is taken. For samples
// of up to 2^31 this happens about once in a few thousand.
#pragma once

#include <cstdint>

// Farther from the library's value than any quick value can be. Both lie
// within 2^-50 of the exact sine (the library's within 2^-53, the quick
// values within 2^-51); the bound leaves sixteen times that.
constexpr double kQuickSineBound = 0x1p-46;

// The largest magnitude of a phase the quick values take; larger phases
// (and NaNs) give NaN.
constexpr double kQuickSineLimit = 0x1p25;

// sines[i] = the sine of phases[i], within kQuickSineBound of std::sin.
void quickSines(const double* phases, double* sines, uint32_t count);
// The same for sine and cosine of each angle.
void quickSinesCosines(const double* angles, double* sines, double* cosines, uint32_t count);

// samples[i] = trunc(std::sin(phases[i]) x factor), from the quick value
// where that gives the same whole number for certain, from the library's
// elsewhere.
void truncatedSines(const double* phases, int32_t* samples, uint32_t count, double factor);

// The two samples of each gaussian pair, rounded half away from zero before
// any reduction to the width: firsts[i] of cos(angles[i]) x radii[i] /
// normaliser x scale, seconds[i] the same with sin. settled[i] is false
// where the quick values cannot tell what the library's would give (the
// samples are then to be made with those). Needs a positive normaliser and
// scale, and radii of at least 0.
void gaussianSamples(const double* angles, const double* radii, uint32_t count, double normaliser, double scale,
                     int32_t* firsts, int32_t* seconds, bool* settled);
