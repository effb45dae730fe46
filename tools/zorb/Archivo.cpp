// What the data-file commands share: the sqlcmd-like connection flags, opening a table as a
// host does, and printing aligned columns.
#include <cstdio>
#include <cstring>

#include "Comandos.h"

int OpcionConexion(const char* cmd, int argc, char** argv, int* i, Conexion* c) {
  const char* a = argv[*i];
  const char** destino = !strcmp(a, "-S")   ? &c->servidor
                         : !strcmp(a, "-d") ? &c->base
                         : !strcmp(a, "-U") ? &c->usuario
                         : !strcmp(a, "-P") ? &c->clave
                                            : nullptr;
  if (!destino) return 0;
  if (*i + 1 >= argc) {
    std::fprintf(stderr, "zorb %s: %s needs a value (see zorb %s --help)\n", cmd, a, cmd);
    return -1;
  }
  *destino = argv[++*i];
  return 1;
}

bool FaltaConexion(const char* cmd, const Conexion& c) {
  if (c.servidor && c.base) return false;
  std::fprintf(stderr, "zorb %s: -S SERVER and -d DATABASE are needed (see zorb %s --help)\n",
               cmd, cmd);
  return true;
}

Archivo::~Archivo() {
  DelArchSQL(arch);
  DelGrpOdbc(grupo);
}

int Archivo::Abre(const char* cmd, const Conexion& c, const char* tabla) {
  grupo = NvoGrpOdbc();
  CnxOdbc* cnx = mOdbc(grupo, c.servidor, c.base, c.usuario, c.clave);
  if (!cnx) {
    std::fprintf(stderr, "zorb %s: cannot connect to %s, database %s\n", cmd, c.servidor, c.base);
    return 1;
  }
  int falta = 0;
  arch = NvoArchSQL(cnx, tabla, &falta, 0, 0, "");
  if (!arch) {
    std::fprintf(stderr, "zorb %s: '%s' cannot be opened as a table\n", cmd, tabla);
    return 1;
  }
  if (falta) {
    std::fprintf(stderr, "zorb %s: no table '%s' in database %s\n", cmd, tabla, c.base);
    return 1;
  }
  return 0;
}

std::string TextoClaves(Arch* a) {
  std::string r;
  for (int k = 0; k < a->NumClaves(); ++k) {
    const int* clave = a->DaClave(k);
    if (!clave) continue;
    r += (k ? " " : "") + std::to_string(k + 1) + ":(";
    for (int j = 1; j <= clave[0]; ++j) r += (j > 1 ? "," : "") + ("C" + std::to_string(clave[j]));
    r += ")";
  }
  return r;
}

void ImprimeColumnas(const std::vector<std::string>& cab,
                     const std::vector<std::vector<std::string>>& filas) {
  std::vector<size_t> ancho(cab.size());
  for (size_t c = 0; c < cab.size(); ++c) ancho[c] = cab[c].size();
  for (const auto& f : filas)
    for (size_t c = 0; c < f.size() && c < ancho.size(); ++c)
      if (f[c].size() > ancho[c]) ancho[c] = f[c].size();
  auto linea = [&](const std::vector<std::string>& celdas) {
    std::string l;
    for (size_t c = 0; c < cab.size(); ++c) {
      const std::string v = c < celdas.size() ? celdas[c] : "";
      if (c) l += " | ";
      l += v;
      if (c + 1 < cab.size()) l.append(ancho[c] - v.size(), ' ');
    }
    std::puts(l.c_str());
  };
  linea(cab);
  std::string sep;
  for (size_t c = 0; c < cab.size(); ++c) {
    if (c) sep += "-+-";
    sep.append(ancho[c], '-');
  }
  std::puts(sep.c_str());
  for (const auto& f : filas) linea(f);
}

namespace {

// The result object of Consulta: every value by row and column.
class Celdas : public ResultadoSql {
 public:
  explicit Celdas(std::vector<std::vector<std::string>>* f) : filas(f) {}
  void AbreFila(int) override {}
  void PonCelda(int, int lote, int columna, const char* texto) override {
    if (lote < 0 || columna < 0) return;
    if (size_t(lote) >= filas->size()) filas->resize(size_t(lote) + 1);
    auto& f = (*filas)[size_t(lote)];
    if (size_t(columna) >= f.size()) f.resize(size_t(columna) + 1);
    f[size_t(columna)] = texto ? texto : "";
  }
  std::vector<std::vector<std::string>>* filas;
};

}  // namespace

bool Consulta(const Conexion& c, const char* sql, std::vector<std::vector<std::string>>* filas) {
  Celdas celdas(filas);
  CnxOdbc* cnx = nullptr;
  SentOdbc* sent = nullptr;
  char error[300] = {};
  int r = MacroSQL(5, sql, 0, &celdas, &cnx, &sent, c.servidor, c.base, c.usuario, c.clave,
                   error);
  DelMacroSQL(&cnx, &sent);
  return r >= 0;
}
