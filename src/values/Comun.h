// Small conversions shared by the value types.
#pragma once
#include <cstddef>

// An owned (malloc) copy of the first n bytes of texto, NUL-terminated; null when memory runs out.
char* CopiaN(const char* texto, size_t n);
// int32 from a double by truncation toward zero; NaN is 0 and the rest saturates.
int Trunca(double v);
// atoi without its undefined overflow: saturates at the int32 limits.
int EnteroDe(const char* texto);
