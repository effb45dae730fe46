// ODBC declarations for the driver. The entry points it defines get default visibility here; all
// other code of the engine stays hidden.
#pragma once
#pragma GCC visibility push(default)
#include <sql.h>
#include <sqlext.h>
#include <odbcinst.h>
#pragma GCC visibility pop
