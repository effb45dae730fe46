// The driver manager's headers. Windows' sql.h relies on the types of windows.h.
#pragma once
#if defined(_WIN32)
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>
