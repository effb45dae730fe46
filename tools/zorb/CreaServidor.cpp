#include "CreaServidor.h"

#include <dlfcn.h>
#include <odbcinst.h>

namespace {

const char kDriver[] = "SQL Server";

}  // namespace

bool CreaServidor(const std::string& servidor, std::string* error) {
  std::string porQue;
  // The driver's setup entry (ConfigDriver), called as the installer calls it but with its
  // answer kept: unixODBC's SQLConfigDriver does not pass ODBC_CONFIG_DRIVER on nor report
  // the entry's result.
  char ruta[4096] = "";
  SQLGetPrivateProfileString(kDriver, "Driver", "", ruta, sizeof ruta, "ODBCINST.INI");
  void* lib = *ruta ? dlopen(ruta, RTLD_NOW | RTLD_LOCAL) : nullptr;
  using Config = BOOL (*)(HWND, WORD, LPCSTR, LPCSTR, LPSTR, WORD, WORD*);
  Config config = lib ? reinterpret_cast<Config>(dlsym(lib, "ConfigDriver")) : nullptr;
  if (!*ruta) {
    porQue = "no driver is registered as \"SQL Server\"";
  } else if (!config) {
    porQue = "the \"SQL Server\" driver cannot create servers";
  } else {
    std::string args = "CreateServer=" + servidor;
    args += '\0';  // a list of pairs ends with an empty one
    char msg[512] = "";
    WORD lon = 0;
    if (!config(nullptr, ODBC_CONFIG_DRIVER, kDriver, args.c_str(), msg, sizeof msg, &lon))
      porQue = *msg ? msg : "the driver refused";
  }
  if (lib) dlclose(lib);
  if (error) *error = porQue;
  return porQue.empty();
}
