// SPDX-License-Identifier: MIT
#include "bench/big_image.h"

#include <cstdio>
#include <random>

const Bytes& benchBigImage() {
  static const Bytes image = [] {
    std::mt19937_64 random(2048);
    Bytes all;
    all.reserve(size_t(BIG_IMAGE_MODULES) * 49 * 1024);
    for (int i = 0; i < BIG_IMAGE_MODULES; i++) {
      Bytes body(16 * 1024 + random() % (32 * 1024));
      for (uint8_t& byte : body) byte = uint8_t(random());
      char name[32];
      std::snprintf(name, sizeof name, "map%04d", i);
      Bytes m = ModuleBuilder().name(name).body(std::move(body)).build();
      all.insert(all.end(), m.begin(), m.end());
    }
    return all;
  }();
  return image;
}
