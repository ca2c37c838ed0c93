// A signed 128-bit integer for the rasterizer's exact edge arithmetic: the compiler's own
// where it has one, else (or when built with KX508_PORTABLE_INT128) a portable two-word
// type that wraps like the hardware would and divides by shifting.
#pragma once

#include <compare>
#include <concepts>
#include <cstdint>
#include <type_traits>

#if defined(__SIZEOF_INT128__) && !defined(KX508_PORTABLE_INT128)
#define KX508_NATIVE_INT128 1
#endif

namespace kx508::platform {

#ifdef KX508_NATIVE_INT128

__extension__ using i128 = __int128;

#else

class Int128 {
 public:
  constexpr Int128() = default;
  // Integers convert implicitly, as to the built-in type.
  template <std::integral T>
  constexpr Int128(T v) : lo_(static_cast<std::uint64_t>(v)) {  // NOLINT: implicit
    if constexpr (std::is_signed_v<T>) hi_ = v < 0 ? ~std::uint64_t{0} : 0;
  }
  // Truncates toward zero, as converting to the built-in type does; |v| < 2^127.
  template <std::floating_point T>
  explicit Int128(T value) {
    const long double v = value;
    const bool negative = v < 0;
    long double m = negative ? -v : v;
    const long double two64 = 18446744073709551616.0L;
    const long double high = static_cast<long double>(static_cast<std::uint64_t>(m / two64));
    m -= high * two64;
    hi_ = static_cast<std::uint64_t>(high);
    lo_ = m > 0 ? static_cast<std::uint64_t>(m) : 0;
    if (negative) *this = -*this;
  }

  explicit constexpr operator std::int64_t() const { return static_cast<std::int64_t>(lo_); }
  explicit operator long double() const {
    const long double two64 = 18446744073709551616.0L;
    return static_cast<long double>(static_cast<std::int64_t>(hi_)) * two64 +
           static_cast<long double>(lo_);
  }

  friend constexpr Int128 operator+(Int128 a, Int128 b) {
    Int128 r;
    r.lo_ = a.lo_ + b.lo_;
    r.hi_ = a.hi_ + b.hi_ + (r.lo_ < a.lo_ ? 1 : 0);
    return r;
  }
  friend constexpr Int128 operator-(Int128 a) {
    Int128 r;
    r.lo_ = ~a.lo_ + 1;
    r.hi_ = ~a.hi_ + (r.lo_ == 0 ? 1 : 0);
    return r;
  }
  friend constexpr Int128 operator-(Int128 a, Int128 b) { return a + -b; }
  friend constexpr Int128 operator*(Int128 a, Int128 b) {
    Int128 r;
    multiply64(a.lo_, b.lo_, &r.hi_, &r.lo_);
    r.hi_ += a.hi_ * b.lo_ + a.lo_ * b.hi_;
    return r;
  }
  // Truncates toward zero, as the built-in division does; b != 0.
  friend constexpr Int128 operator/(Int128 a, Int128 b) {
    const bool negative = a.negative() != b.negative();
    Int128 q = divide(a.negative() ? -a : a, b.negative() ? -b : b);
    return negative ? -q : q;
  }

  constexpr Int128& operator+=(Int128 b) { return *this = *this + b; }
  constexpr Int128& operator-=(Int128 b) { return *this = *this - b; }
  constexpr Int128& operator++() { return *this += 1; }
  constexpr Int128& operator--() { return *this -= 1; }

  friend constexpr bool operator==(Int128 a, Int128 b) { return a.lo_ == b.lo_ && a.hi_ == b.hi_; }
  friend constexpr std::strong_ordering operator<=>(Int128 a, Int128 b) {
    if (a.hi_ != b.hi_)
      return static_cast<std::int64_t>(a.hi_) <=> static_cast<std::int64_t>(b.hi_);
    return a.lo_ <=> b.lo_;
  }

 private:
  constexpr bool negative() const { return static_cast<std::int64_t>(hi_) < 0; }

  // The full 128-bit product of two 64-bit words, from their 32-bit halves.
  static constexpr void multiply64(std::uint64_t a, std::uint64_t b, std::uint64_t* hi,
                                   std::uint64_t* lo) {
    const std::uint64_t mask = 0xFFFFFFFFu;
    const std::uint64_t a0 = a & mask, a1 = a >> 32, b0 = b & mask, b1 = b >> 32;
    const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const std::uint64_t mid = (p00 >> 32) + (p01 & mask) + (p10 & mask);
    *lo = (mid << 32) | (p00 & mask);
    *hi = p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32);
  }

  // Unsigned quotient of two magnitudes (the most negative value reads as 2^127), one
  // bit a step, skipping the leading zero bits of the dividend.
  static constexpr Int128 divide(Int128 n, Int128 d) {
    Int128 q, r;
    int bit = 127;
    while (bit >= 0 && !n.bit(bit)) --bit;
    for (; bit >= 0; --bit) {
      r.hi_ = (r.hi_ << 1) | (r.lo_ >> 63);
      r.lo_ = (r.lo_ << 1) | (n.bit(bit) ? 1 : 0);
      if (!unsigned_less(r, d)) {
        r = r - d;
        if (bit >= 64) q.hi_ |= std::uint64_t{1} << (bit - 64);
        else q.lo_ |= std::uint64_t{1} << bit;
      }
    }
    return q;
  }
  constexpr bool bit(int i) const {
    return ((i >= 64 ? hi_ >> (i - 64) : lo_ >> i) & 1) != 0;
  }
  static constexpr bool unsigned_less(Int128 a, Int128 b) {
    return a.hi_ != b.hi_ ? a.hi_ < b.hi_ : a.lo_ < b.lo_;
  }

  std::uint64_t lo_ = 0;
  std::uint64_t hi_ = 0;
};

using i128 = Int128;

#endif

}  // namespace kx508::platform
