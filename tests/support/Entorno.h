// Test surroundings: a server folder and a working folder of the test's own, removed afterwards.
#pragma once
#include <string>

#include <gtest/gtest.h>

// Points unixODBC at the build's registration of the engine (unless already set).
void UsaRegistroDeLaBuild();

// Reads a whole file; empty when missing.
std::string LeeTodo(const std::string& ruta);
void EscribeTodo(const std::string& ruta, const std::string& datos);
bool Existe(const std::string& ruta);

// A fresh folder under /tmp with `servidor/` (a new engine server, made as `zorb ping --create`
// makes one: CreaServidor.h) and `trabajo/` (made the current directory, so the log lands
// there). The former current directory is restored and the folder removed at the end.
class EntornoTemporal {
 public:
  EntornoTemporal();
  ~EntornoTemporal();
  EntornoTemporal(const EntornoTemporal&) = delete;
  EntornoTemporal& operator=(const EntornoTemporal&) = delete;

  const std::string& raiz() const { return raiz_; }
  const std::string& servidor() const { return servidor_; }  // absolute path: the SERVER text
  const std::string& trabajo() const { return trabajo_; }
  std::string log() const { return trabajo_ + "/ZorbLog.txt"; }
  std::string LeeLog() const { return LeeTodo(log()); }

 private:
  std::string raiz_, servidor_, trabajo_, anterior_;
};

// Fixture form of the above.
class ConServidor : public ::testing::Test {
 protected:
  EntornoTemporal entorno;
};
