// zorb tables: the user tables of a database with their record counts and their keys, as the
// table cursor finds them when a host opens each one.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Comandos.h"

namespace {

void AyudaTables() {
  std::puts(
      "usage: zorb tables -S SERVER -d DATABASE [-U user] [-P password]\n"
      "\n"
      "Lists the user tables of DATABASE, each opened as a data file: its record count, its\n"
      "field count and its keys as the cursor reads them from the indexes T_indent,\n"
      "T_indent2, ... (key number, then its fields: 2:(C3,C1) is key 2 on C3 and C1). A table\n"
      "without such indexes has no key and cannot be read in key order.\n"
      "\n"
      "Exit status: 0 done, 1 no connection or the catalogue could not be read, 2 wrong usage.");
}

}  // namespace

int CmdTables(int argc, char** argv) {
  Conexion c;
  for (int i = 1; i < argc; ++i) {
    if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")) {
      AyudaTables();
      return 0;
    }
    int r = OpcionConexion("tables", argc, argv, &i, &c);
    if (r < 0) return 2;
    if (r == 0) {
      std::fprintf(stderr, "zorb tables: unknown option '%s' (see zorb tables --help)\n",
                   argv[i]);
      return 2;
    }
  }
  if (FaltaConexion("tables", c)) return 2;

  std::vector<std::vector<std::string>> catalogo;
  if (!Consulta(c, "sp_tables", &catalogo)) {
    std::fprintf(stderr, "zorb tables: cannot connect to %s, database %s\n", c.servidor, c.base);
    return 1;
  }
  std::vector<std::vector<std::string>> filas;
  for (const auto& t : catalogo) {
    if (t.size() < 4 || t[3] != "TABLE") continue;
    Archivo a;
    if (a.Abre("tables", c, t[2].c_str()) != 0) {
      filas.push_back({t[2], "?", "?", "(cannot be opened as a data file)"});
      continue;
    }
    std::string claves = TextoClaves(a.arch);
    filas.push_back({t[2], std::to_string(a.arch->NumRegs(0, 1)),
                     std::to_string(a.arch->NumCmps()), claves.empty() ? "(none)" : claves});
  }
  ImprimeColumnas({"table", "records", "fields", "keys"}, filas);
  std::printf("(%zu table%s)\n", filas.size(), filas.size() == 1 ? "" : "s");
  return 0;
}
