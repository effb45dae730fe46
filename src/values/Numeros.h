// Number formatting and rounding shared by the whole library.
#pragma once

// Writes the shortest plain decimal text of x (no exponent, no thousands separator, no "0" before
// the point, no trailing zeros, at most 14 significant digits) into buf and returns buf. The text
// is at most 16 characters, so at most 17 bytes are written. Magnitudes below 1e-9 give "0";
// magnitudes of 1e14 or more, infinities and NaN have no digits: "" (or "-" when negative).
char* NumAStr(double x, char* buf);

// Rounds x to dec decimals (half up, or toward zero when trunca is non-zero), or, with dec
// negative, to maxDig - e decimals where e is the number of integer digits minus one (values with
// more than maxDig + 1 integer digits become 0). Rounding is symmetric about zero. NaN and
// infinities come back unchanged, and so does a value that has no digits at the rounding place
// (scaled, 2^52 or more), instead of being pushed to the next whole by the half.
double Redondea(double x, int dec, int trunca, int maxDig);

// Removes every trailing occurrence of c from texto in place; null is ignored.
void QuitaFinal(char* texto, int c);
