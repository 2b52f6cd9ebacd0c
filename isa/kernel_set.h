// The one place that knows the CPU: which set of compiled kernels the process
// uses. Every kernel that exists in more than one compiled form is chosen
// through kernelSet(); no other code asks the CPU what it can do.
//
// The sets give identical results: the AVX2 forms are the same source as the
// baseline ones, compiled for wider registers, and the build forbids the
// contractions and reassociations that could make them differ. Only x86
// builds carry an AVX2 set; elsewhere the baseline is the only one.
#pragma once

#include <optional>

enum class KernelSet { Baseline, Avx2 };

// Chosen once per process, on first use: VELTRANE_ISA=baseline forces the
// baseline kernels; native or unset takes the best set the CPU can run. An
// unknown value is reported on standard error and the default taken.
KernelSet kernelSet();

// Whether the SHA-256 checksum may use the CPU's SHA extensions (x86 only):
// when the CPU has them, unless VELTRANE_ISA=baseline. Both forms give the
// same digest; chosen once per process.
bool shaExtensions();

// The rule behind kernelSet(), for a given setting and CPU: the set to use,
// or nothing when the setting is not one of the known words.
std::optional<KernelSet> kernelSetFor(const char* setting, bool cpuHasAvx2);
