// The generator's random numbers: our own small generator and our own range
// reduction, so that one seed gives the same bytes with every compiler and
// standard library (std:: distributions are not portable between them).
#pragma once

#include <cstdint>
#include <initializer_list>

namespace kinsheet::gedgen {

// One step of SplitMix64: a well-mixed 64-bit hash of its input.
constexpr std::uint64_t Mix64(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

// Seed of an independent stream for (seed, a, b): lets a pass regenerate one
// household without replaying every number drawn before it.
constexpr std::uint64_t StreamSeed(std::uint64_t seed, std::uint64_t a,
                                   std::uint64_t b) {
  return Mix64(Mix64(Mix64(seed) ^ a) + b);
}

// xoshiro256** seeded through SplitMix64.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) {
    for (auto& word : state_) {
      seed += 0x9E3779B97F4A7C15ULL;
      word = Mix64(seed);
    }
  }

  std::uint64_t Next() {
    const std::uint64_t result = Rotl(state_[1] * 5, 7) * 9;
    const std::uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = Rotl(state_[3], 45);
    return result;
  }

  // Uniform in [0, n); n > 0. Multiply-high reduction: no modulo bias worth
  // speaking of for the small ranges used here, and no division.
  std::uint32_t Below(std::uint32_t n) {
    return static_cast<std::uint32_t>(((Next() >> 32) * n) >> 32);
  }

  // Uniform in [lo, hi].
  int Between(int lo, int hi) {
    return lo +
           static_cast<int>(Below(static_cast<std::uint32_t>(hi - lo + 1)));
  }

  // True with the given chance in percent.
  bool Percent(std::uint32_t chance) { return Below(100) < chance; }

  // True with the given chance in per mille.
  bool PerMille(std::uint32_t chance) { return Below(1000) < chance; }

  // An index drawn with the given relative weights.
  int Weighted(std::initializer_list<std::uint32_t> weights) {
    std::uint32_t total = 0;
    for (std::uint32_t w : weights) total += w;
    std::uint32_t pick = Below(total);
    int index = 0;
    for (std::uint32_t w : weights) {
      if (pick < w) return index;
      pick -= w;
      ++index;
    }
    return index - 1;
  }

 private:
  static constexpr std::uint64_t Rotl(std::uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
  }

  std::uint64_t state_[4];
};

}  // namespace kinsheet::gedgen
