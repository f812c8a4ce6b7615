#pragma once
// A whole power of a double, correctly rounded (to nearest, ties to even),
// from the four operations alone: the same bits on every platform, where
// std::pow is each C library's own (glibc's is correctly rounded in
// practice; mingw's is not, and a last bit shows in a 15-digit result).

namespace entry_rules {

// a^n for n from 1 to 4: the exact power as a double-double (Dekker's
// product, no fused multiply-add), rounded once. Overflow gives ±inf as
// std::pow does; for |a| below 2^-225 it is the plain product.
double RoundedPower(double a, int n);

} // namespace entry_rules
