// zorb ping: connect through a connection group as a host does and say how long it took.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "Comandos.h"
#include "CreaServidor.h"
#include "zorb/zorb.h"

namespace {

void AyudaPing() {
  std::puts(
      "usage: zorb ping -S SERVER [-d DATABASE] [-U USER] [-P PASSWORD] [--create]\n"
      "\n"
      "Opens a connection group, asks it for the connection to SERVER and DATABASE (default\n"
      "master), and prints the server, the database and how long the connection took.\n"
      "--create first makes SERVER a server of the embedded engine (an absolute path, or a\n"
      "name under the driver's DataRoot), with the login sa and an empty password; a folder\n"
      "that is a server already is left as it is. Connections never make servers.");
}

}  // namespace

int CmdPing(int argc, char** argv) {
  const char *servidor = nullptr, *base = "", *usuario = nullptr, *clave = nullptr;
  bool crear = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      AyudaPing();
      return 0;
    }
    if (a == "--create") {
      crear = true;
      continue;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "zorb ping: %s needs a value\n", a.c_str());
      return 2;
    }
    if (a == "-S") servidor = argv[++i];
    else if (a == "-d") base = argv[++i];
    else if (a == "-U") usuario = argv[++i];
    else if (a == "-P") clave = argv[++i];
    else {
      std::fprintf(stderr, "zorb ping: unknown option %s\n", a.c_str());
      return 2;
    }
  }
  if (!servidor) {
    std::fputs("zorb ping: -S SERVER is required\n", stderr);
    return 2;
  }
  std::string error;
  if (crear && std::strncmp(servidor, "DSN-", 4) != 0 && !CreaServidor(servidor, &error)) {
    std::fprintf(stderr, "zorb ping: cannot create server '%s': %s\n", servidor, error.c_str());
    return 1;
  }

  GrpOdbc* grupo = NvoGrpOdbc();
  auto t0 = std::chrono::steady_clock::now();
  CnxOdbc* cnx = mOdbc(grupo, servidor, base, usuario, clave);
  auto t1 = std::chrono::steady_clock::now();
  double ms = std::chrono::duration<double, std::milli>(t1 - t0).count();
  DelGrpOdbc(grupo);
  if (!cnx) {
    std::fprintf(stderr, "zorb ping: cannot connect to server '%s', database '%s'\n", servidor,
                 *base ? base : "master");
    return 1;
  }
  std::printf("server:   %s\ndatabase: %s\nconnected in %.2f ms\n", servidor,
              *base ? base : "master", ms);
  return 0;
}
