// zorb: a command-line host of the library.
#include <cstdio>
#include <cstring>

#include "Comandos.h"

static void Ayuda() {
  std::puts(
      "usage: zorb COMMAND [options]\n"
      "\n"
      "commands:\n"
      "  ping         connect to a server and database through a connection group\n"
      "  sql          run one SQL statement and print its rows or its count\n"
      "  repair       give indexes left by an interrupted restructuring their names back\n"
      "  tables       list the tables of a database with their record counts and keys\n"
      "  dump         print the records of a table in key order\n"
      "  restructure  give a table a new field and key layout, keeping its records\n"
      "  driver       register the engine with the system's ODBC driver manager\n"
      "\n"
      "'zorb COMMAND --help' explains a command. Servers of the embedded engine are folders:\n"
      "an absolute path, or a name under the DataRoot of the \"SQL Server\" driver.");
}

int main(int argc, char** argv) {
  if (argc < 2 || !strcmp(argv[1], "--help") || !strcmp(argv[1], "-h") ||
      !strcmp(argv[1], "help")) {
    Ayuda();
    return argc < 2 ? 2 : 0;
  }
  if (!strcmp(argv[1], "ping")) return CmdPing(argc - 1, argv + 1);
  if (!strcmp(argv[1], "sql")) return CmdSql(argc - 1, argv + 1);
  if (!strcmp(argv[1], "repair")) return CmdRepair(argc - 1, argv + 1);
  if (!strcmp(argv[1], "tables")) return CmdTables(argc - 1, argv + 1);
  if (!strcmp(argv[1], "dump")) return CmdDump(argc - 1, argv + 1);
  if (!strcmp(argv[1], "restructure")) return CmdRestructure(argc - 1, argv + 1);
  if (!strcmp(argv[1], "driver")) return CmdDriver(argc - 1, argv + 1);
  std::fprintf(stderr, "zorb: unknown command '%s' (see zorb --help)\n", argv[1]);
  return 2;
}
