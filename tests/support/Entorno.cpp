#include "Entorno.h"

#include "CreaServidor.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

void UsaRegistroDeLaBuild() { setenv("ODBCSYSINI", ZORB_ETC_DIR, 0); }

std::string LeeTodo(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  std::ostringstream o;
  o << f.rdbuf();
  return o.str();
}

void EscribeTodo(const std::string& ruta, const std::string& datos) {
  std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
  f << datos;
}

bool Existe(const std::string& ruta) {
  struct stat st;
  return stat(ruta.c_str(), &st) == 0;
}

EntornoTemporal::EntornoTemporal() {
  UsaRegistroDeLaBuild();
  char plantilla[] = "/tmp/zorbtest-XXXXXX";
  if (!mkdtemp(plantilla)) throw std::runtime_error("mkdtemp");
  raiz_ = plantilla;
  servidor_ = raiz_ + "/servidor";
  trabajo_ = raiz_ + "/trabajo";
  std::string error;
  if (!CreaServidor(servidor_, &error)) throw std::runtime_error("server: " + error);
  mkdir(trabajo_.c_str(), 0700);
  char actual[PATH_MAX];
  if (getcwd(actual, sizeof actual)) anterior_ = actual;
  if (chdir(trabajo_.c_str()) != 0) throw std::runtime_error("chdir");
}

EntornoTemporal::~EntornoTemporal() {
  if (!anterior_.empty() && chdir(anterior_.c_str()) != 0) {
  }
  std::error_code ec;
  std::filesystem::remove_all(raiz_, ec);
}
