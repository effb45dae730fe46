// zorb driver: registers the engine beside this program as "SQL Server" with the driver manager,
// through the driver manager's own installer calls (as odbcinst -i -d does).
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <odbcinst.h>

#include "Comandos.h"

namespace {

constexpr const char* kNombreDriver = "SQL Server";

void AyudaDriver() {
  std::puts(
      "usage: zorb driver install [--data-root DIR]\n"
      "       zorb driver remove\n"
      "\n"
      "install registers the engine installed beside this program as the ODBC driver\n"
      "\"SQL Server\" in the driver manager's odbcinst.ini (the system's, or the folder that\n"
      "ODBCSYSINI names), with DIR as the folder of its named servers (default\n"
      "/var/lib/zorb/servers, made when missing). remove takes the registration away again.\n"
      "\n"
      "Exit status: 0 done, 1 the driver manager refused, 2 wrong usage.");
}

// The engine library beside this program: <prefix>/bin/zorb -> <prefix>/<libdir>/libzorbengine.so.
std::string MotorJunto() {
  char exe[PATH_MAX] = {};
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return "";
  std::string ruta(exe, size_t(n));
  ruta = ruta.substr(0, ruta.rfind('/'));
  ruta = ruta.substr(0, ruta.rfind('/'));
  return ruta + "/" ZORB_LIBDIR "/libzorbengine.so";
}

// Makes the folder and every missing folder above it (0700); false when one cannot be made.
bool CreaCarpetas(const std::string& ruta) {
  for (size_t i = 1; i <= ruta.size(); ++i) {
    if (i == ruta.size() || ruta[i] == '/') {
      std::string parte = ruta.substr(0, i);
      if (mkdir(parte.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
  }
  return true;
}

int ErrorInstalador(const char* que) {
  DWORD codigo = 0;
  char mensaje[SQL_MAX_MESSAGE_LENGTH] = {};
  SQLInstallerError(1, &codigo, mensaje, sizeof mensaje, nullptr);
  std::fprintf(stderr, "zorb driver: %s: %s\n", que, *mensaje ? mensaje : "refused");
  return 1;
}

}  // namespace

int CmdDriver(int argc, char** argv) {
  std::string accion, raiz = "/var/lib/zorb/servers";
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      AyudaDriver();
      return 0;
    }
    if (a == "--data-root" && i + 1 < argc) {
      raiz = argv[++i];
    } else if (accion.empty() && (a == "install" || a == "remove")) {
      accion = a;
    } else {
      std::fprintf(stderr, "zorb driver: unexpected '%s' (see zorb driver --help)\n", a.c_str());
      return 2;
    }
  }
  if (accion.empty()) {
    std::fputs("zorb driver: say install or remove (see zorb driver --help)\n", stderr);
    return 2;
  }
  if (accion == "remove") {
    DWORD usos = 0;
    if (!SQLRemoveDriver(kNombreDriver, 0, &usos)) return ErrorInstalador("cannot remove");
    std::printf("removed \"%s\" (%lu registrations left)\n", kNombreDriver, (unsigned long)usos);
    return 0;
  }

  std::string motor = MotorJunto();
  if (access(motor.c_str(), R_OK) != 0) {
    std::fprintf(stderr, "zorb driver: no engine at %s\n", motor.c_str());
    return 1;
  }
  if (raiz.empty() || raiz[0] != '/' || raiz.find_first_of("\n;") != std::string::npos) {
    std::fputs("zorb driver: --data-root must be an absolute folder\n", stderr);
    return 2;
  }
  if (!CreaCarpetas(raiz)) {
    std::fprintf(stderr, "zorb driver: cannot create %s\n", raiz.c_str());
    return 1;
  }
  // Keyword pairs, each ended by a NUL, the list by a second one.
  std::string pares = std::string(kNombreDriver) + '\0' + "Description=ZORB embedded engine" +
                      '\0' + "Driver=" + motor + '\0' + "DataRoot=" + raiz + '\0' +
                      "FileUsage=1" + '\0' + '\0';
  char salida[PATH_MAX] = {};
  WORD lonSalida = 0;
  DWORD usos = 0;
  if (!SQLInstallDriverEx(pares.c_str(), nullptr, salida, sizeof salida, &lonSalida,
                          ODBC_INSTALL_COMPLETE, &usos))
    return ErrorInstalador("cannot register");
  std::printf("registered \"%s\": %s, servers in %s\n", kNombreDriver, motor.c_str(), raiz.c_str());
  return 0;
}
