// zorb repair: gives indexes left with the temporary prefix by an interrupted restructuring
// their final names back, through CorrigeIndices as a host calls it.
#include <cstdio>
#include <string>

#include "Comandos.h"
#include "zorb/zorb.h"

namespace {

void AyudaRepair() {
  std::puts(
      "usage: zorb repair -S SERVER -d DATABASE [-U user] [-P password]\n"
      "\n"
      "Renames every index of every user table of DATABASE whose name begins with TEMP_\n"
      "(left by an interrupted restructuring) to the rest of its name. An index whose final\n"
      "name is taken keeps its name. Failures are written to ZorbLog.txt in the current folder.\n"
      "\n"
      "Exit status: 0 done, 1 no connection, 2 wrong usage.");
}

}  // namespace

int CmdRepair(int argc, char** argv) {
  const char *servidor = nullptr, *base = nullptr, *usuario = "", *clave = "";
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      AyudaRepair();
      return 0;
    }
    const char** destino = a == "-S" ? &servidor : a == "-d" ? &base : a == "-U" ? &usuario
                         : a == "-P" ? &clave : nullptr;
    if (!destino || i + 1 >= argc) {
      std::fprintf(stderr, "zorb repair: %s %s (see zorb repair --help)\n", a.c_str(),
                   destino ? "needs a value" : "is not an option");
      return 2;
    }
    *destino = argv[++i];
  }
  if (!servidor || !base) {
    std::fputs("zorb repair: -S SERVER and -d DATABASE are needed (see zorb repair --help)\n",
               stderr);
    return 2;
  }
  // CorrigeIndices reports nothing: a connection of the tool's own tells a missing database.
  GrpOdbc* grupo = NvoGrpOdbc();
  bool conecta = mOdbc(grupo, servidor, base, usuario, clave) != nullptr;
  DelGrpOdbc(grupo);
  if (!conecta) {
    std::fprintf(stderr, "zorb repair: cannot connect to %s, database %s\n", servidor, base);
    return 1;
  }
  CorrigeIndices(servidor, base, usuario, clave);
  std::puts("OK");
  return 0;
}
