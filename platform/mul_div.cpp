#include "platform/mul_div.h"

#include <cstdint>

int mul_div(int a, int b, int c) {
  if (c == 0) return -1;
  int64_t product = int64_t(a) * b;
  int64_t half = (c < 0 ? -int64_t(c) : int64_t(c)) / 2;
  int64_t rounded = (product < 0) != (c < 0) ? product - half : product + half;
  return static_cast<int>(rounded / c);
}
