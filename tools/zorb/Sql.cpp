// zorb sql: runs one statement through MacroSQL, as a host does, and prints what comes back.
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <map>
#include <string>
#include <vector>

#include "Comandos.h"
#include "zorb/host.h"
#include "zorb/zorb.h"

namespace {

void AyudaSql() {
  std::puts(
      "usage: zorb sql -S SERVER -d DATABASE [-U user] [-P password] \"statement\"\n"
      "\n"
      "Runs the statement with MacroSQL operation 5 and prints its rows as a table, or the\n"
      "count of rows it changed. Columns are headed by their names as the driver describes them,\n"
      "\"(No column name)\" for a computed one. INSERT, UPDATE and DELETE report the rows they\n"
      "changed; other statements that return no rows print OK. As for any host, every double\n"
      "quote in the statement is sent as a single quote: \"text\" is the literal 'text'.\n"
      "\n"
      "  -S SERVER    server: an absolute folder of the embedded engine, a name under its\n"
      "               DataRoot, or DSN-name for a data source\n"
      "  -d DATABASE  database (default master)\n"
      "  -U user      login (default sa)\n"
      "  -P password  password (default empty)\n"
      "\n"
      "Exit status: 0 done, 1 the statement failed or nothing could be run, 2 wrong usage.");
}

// The result object: keeps every value by row and column.
class Tabla : public ResultadoSql {
 public:
  void AbreFila(int) override { conColumnas = true; }
  void PonCelda(int, int lote, int columna, const char* texto) override {
    if (lote < 0 || columna < 0) return;
    if (size_t(lote) >= filas.size()) filas.resize(size_t(lote) + 1);
    std::vector<std::string>& f = filas[size_t(lote)];
    if (size_t(columna) >= f.size()) f.resize(size_t(columna) + 1);
    f[size_t(columna)] = texto ? texto : "";
    if (size_t(columna) + 1 > nCols) nCols = size_t(columna) + 1;
  }

  bool conColumnas = false;
  size_t nCols = 0;
  std::vector<std::vector<std::string>> filas;
};

// Prints the rows under the given column names (numbers 1, 2, ... where none is known).
void Imprime(Tabla& t, std::vector<std::string> cab) {
  if (cab.size() > t.nCols) t.nCols = cab.size();
  for (size_t c = 0; c < t.nCols; ++c) {
    if (c >= cab.size()) cab.push_back(std::to_string(c + 1));
    else if (cab[c].empty()) cab[c] = "(No column name)";
  }
  std::vector<size_t> ancho(t.nCols, 0);
  for (size_t c = 0; c < t.nCols; ++c) ancho[c] = cab[c].size();
  for (const auto& f : t.filas)
    for (size_t c = 0; c < f.size(); ++c)
      if (f[c].size() > ancho[c]) ancho[c] = f[c].size();

  auto linea = [&](const std::vector<std::string>& celdas) {
    std::string l;
    for (size_t c = 0; c < t.nCols; ++c) {
      const std::string v = c < celdas.size() ? celdas[c] : "";
      if (c) l += " | ";
      l += v;
      if (c + 1 < t.nCols) l.append(ancho[c] - v.size(), ' ');
    }
    std::puts(l.c_str());
  };
  if (t.nCols) {
    linea(cab);
    std::string sep;
    for (size_t c = 0; c < t.nCols; ++c) {
      if (c) sep += "-+-";
      sep.append(ancho[c], '-');
    }
    std::puts(sep.c_str());
    for (const auto& f : t.filas) linea(f);
  }
  std::printf("(%zu row%s)\n", t.filas.size(), t.filas.size() == 1 ? "" : "s");
}

}  // namespace

// INSERT, UPDATE and DELETE report the rows they changed; other statements only succeed.
static bool CuentaFilas(const char* sentencia) {
  while (*sentencia == ' ' || *sentencia == '\t' || *sentencia == '\n' || *sentencia == '\r')
    ++sentencia;
  for (const char* p : {"insert", "update", "delete"})
    if (strncasecmp(sentencia, p, 6) == 0) return true;
  return false;
}

int CmdSql(int argc, char** argv) {
  const char *servidor = nullptr, *base = "master", *usuario = "", *clave = "", *sql = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!strcmp(a, "--help") || !strcmp(a, "-h")) {
      AyudaSql();
      return 0;
    }
    const char** destino = !strcmp(a, "-S")   ? &servidor
                           : !strcmp(a, "-d") ? &base
                           : !strcmp(a, "-U") ? &usuario
                           : !strcmp(a, "-P") ? &clave
                                              : nullptr;
    if (destino) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "zorb sql: %s needs a value (see zorb sql --help)\n", a);
        return 2;
      }
      *destino = argv[++i];
    } else if (a[0] == '-' && a[1]) {
      std::fprintf(stderr, "zorb sql: unknown option '%s' (see zorb sql --help)\n", a);
      return 2;
    } else if (!sql) {
      sql = a;
    } else {
      std::fputs("zorb sql: give the statement as one argument (quote it)\n", stderr);
      return 2;
    }
  }
  if (!servidor || !sql) {
    std::fputs("zorb sql: -S SERVER and a statement are needed (see zorb sql --help)\n", stderr);
    return 2;
  }

  Tabla tabla;
  CnxOdbc* cnx = nullptr;
  SentOdbc* sent = nullptr;
  char error[300] = {};
  int r = MacroSQL(5, sql, 0, &tabla, &cnx, &sent, servidor, base, usuario, clave, error);
  DelMacroSQL(&cnx, &sent);

  if (r == -2) {
    std::fprintf(stderr, "zorb sql: cannot connect to %s, database %s\n", servidor, base);
    return 1;
  }
  if (r == -1) {
    std::fprintf(stderr, "zorb sql: %s\n", error[0] ? error : "the statement failed");
    return 1;
  }
  if (tabla.conColumnas)
    Imprime(tabla, NombresColumnas(servidor, base, usuario, clave, sql));
  else if (CuentaFilas(sql))
    std::printf("(%d row%s affected)\n", r, r == 1 ? "" : "s");
  else
    std::puts("OK");  // the free-SQL result carries no count for other statements
  return 0;
}
