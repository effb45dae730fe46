#include "types/Collation.h"

#include <cstdint>

namespace engine::types {

const char kCollation[] = "SQL_Latin1_General_CP1_CI_AS";

namespace {

// One weight per byte. Every byte keeps its place (byte * 32) except letters: upper case takes
// the weight of lower case, and an accented letter sits right after its base letter, in the
// order the variants are listed.
struct Weights {
  uint16_t w[256];
  Weights() {
    for (int c = 0; c < 256; ++c) w[c] = uint16_t(c * 32);
    for (int c = 'A'; c <= 'Z'; ++c) w[c] = uint16_t((c - 'A' + 'a') * 32);
    struct Variant {
      char base;
      unsigned char upper, lower;
    };
    // Windows-1252 letters with their base letter (0 for a letter without a case pair).
    static const Variant kVariants[] = {
        {'a', 0xC0, 0xE0}, {'a', 0xC1, 0xE1}, {'a', 0xC2, 0xE2}, {'a', 0xC3, 0xE3},
        {'a', 0xC4, 0xE4}, {'a', 0xC5, 0xE5}, {'a', 0xC6, 0xE6}, {'c', 0xC7, 0xE7},
        {'d', 0xD0, 0xF0}, {'e', 0xC8, 0xE8}, {'e', 0xC9, 0xE9}, {'e', 0xCA, 0xEA},
        {'e', 0xCB, 0xEB}, {'i', 0xCC, 0xEC}, {'i', 0xCD, 0xED}, {'i', 0xCE, 0xEE},
        {'i', 0xCF, 0xEF}, {'n', 0xD1, 0xF1}, {'o', 0xD2, 0xF2}, {'o', 0xD3, 0xF3},
        {'o', 0xD4, 0xF4}, {'o', 0xD5, 0xF5}, {'o', 0xD6, 0xF6}, {'o', 0xD8, 0xF8},
        {'o', 0x8C, 0x9C}, {'s', 0x8A, 0x9A}, {'s', 0xDF, 0xDF}, {'u', 0xD9, 0xF9},
        {'u', 0xDA, 0xFA}, {'u', 0xDB, 0xFB}, {'u', 0xDC, 0xFC}, {'y', 0xDD, 0xFD},
        {'y', 0x9F, 0xFF}, {'z', 0x8E, 0x9E}, {'z', 0xDE, 0xFE},
    };
    int rank[256] = {0};
    for (const Variant& v : kVariants) {
      int r = ++rank[static_cast<unsigned char>(v.base)];
      uint16_t weight = uint16_t(static_cast<unsigned char>(v.base) * 32 + r);
      w[v.upper] = weight;
      w[v.lower] = weight;
    }
  }
};

const Weights kWeights;

}  // namespace

int CompareText(const unsigned char* a, size_t na, const unsigned char* b, size_t nb) {
  while (na && a[na - 1] == ' ') --na;
  while (nb && b[nb - 1] == ' ') --nb;
  size_t n = na < nb ? na : nb;
  const uint16_t* w = kWeights.w;
  for (size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    int d = int(w[a[i]]) - int(w[b[i]]);
    if (d) return d;
  }
  return na < nb ? -1 : na > nb ? 1 : 0;
}

}  // namespace engine::types
