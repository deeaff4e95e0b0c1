// SPDX-License-Identifier: MIT
// SHA-256, for the hashes of a mod folder's manifest: with the CPU's SHA
// instructions where it has them (a folder of thousands of files is hashed
// at memory speed), else the portable rounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t SHA256_SIZE = 32;

// The SHA-256 of n bytes into out.
void sha256(const void* bytes, size_t n, uint8_t out[SHA256_SIZE]);

// The same as 64 lower-case hex digits.
std::string sha256Hex(const void* bytes, size_t n);

// For tests and benchmarks: with 0, the portable rounds whatever the CPU;
// with 1 (the default) the SHA instructions where the CPU has them. Returns
// the previous setting.
int sha256SetHardware(int enabled);

// 1 when this CPU has the SHA instructions (the setting above aside).
int sha256HardwareAvailable();
