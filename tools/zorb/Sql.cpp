#include <cstdio>

#include "Comandos.h"

int CmdSql(int, char**) {
  std::fputs("zorb sql: not available in this build\n", stderr);
  return 2;
}
