// zorb dump: the records of a table in the order of one of its keys, read through the table
// cursor as a host reads them (Lee), with the host's filters.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Comandos.h"

namespace {

void AyudaDump() {
  std::puts(
      "usage: zorb dump TABLE -S SERVER -d DATABASE [-U user] [-P password] [--key N]\n"
      "                 [--from VALUES] [--filter FIELD OP VALUE]... [--limit N]\n"
      "\n"
      "Prints the records of TABLE in the order of key N (default 1; zorb tables lists the\n"
      "keys), one line per record, fields aligned under the headers C1, C2, ... Dates show\n"
      "as dd/mm/yy.\n"
      "\n"
      "  --key N                 read by key N, counted from 1\n"
      "  --from VALUES           start at the first record whose key is at or after VALUES:\n"
      "                          the key's fields in order, separated by commas (a date\n"
      "                          as dd/mm/yy)\n"
      "  --filter FIELD OP VALUE only records whose field (C3 or 3) compares so with VALUE;\n"
      "                          OP is one of = != > >= < <= like (like takes % and _); a date\n"
      "                          VALUE is dd/mm/yyyy. Repeat it to add conditions.\n"
      "  --limit N               at most N records\n"
      "\n"
      "Exit status: 0 done, 1 no connection or no such table, 2 wrong usage.");
}

// Filter condition codes of the data file.
int CodigoOp(const std::string& op) {
  if (op == ">=") return 1;
  if (op == ">") return 2;
  if (op == "<=") return 3;
  if (op == "<") return 4;
  if (op == "!=" || op == "<>") return 9;
  if (op == "like" || op == "LIKE") return 11;
  if (op == "=") return 0;  // both ends: >= and <=
  return -1;
}

// A whole number of at least `min`, or -1.
long Entero(const char* t, long min) {
  char* fin = nullptr;
  long n = std::strtol(t, &fin, 10);
  return *t && !*fin && n >= min ? n : -1;
}

// The host's date number of dd/mm/yyyy: 500000 + (year - 1900) * 360 + month * 30 + day, the
// 31st counting as 30.2; empty when the text is not such a date.
std::string NumeroFecha(const std::string& t) {
  int d = 0, m = 0, a = 0;
  char resto = 0;
  if (std::sscanf(t.c_str(), "%d/%d/%d%c", &d, &m, &a, &resto) != 3 || d < 1 || d > 31 ||
      m < 1 || m > 12 || a < 1753 || a > 9999)
    return "";
  char num[32];
  std::snprintf(num, sizeof num, "%.1f", 500000.0 + (a - 1900) * 360.0 + m * 30.0 +
                                             (d == 31 ? 30.2 : d));
  return num;
}

struct Filtro {
  std::string campo, op, valor;
};

}  // namespace

int CmdDump(int argc, char** argv) {
  Conexion c;
  const char* tabla = nullptr;
  const char* desde = nullptr;
  long clave = 1, limite = -1;
  std::vector<Filtro> filtros;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      AyudaDump();
      return 0;
    }
    int r = OpcionConexion("dump", argc, argv, &i, &c);
    if (r < 0) return 2;
    if (r > 0) continue;
    int valores = a == "--filter" ? 3 : (a == "--key" || a == "--from" || a == "--limit") ? 1 : 0;
    if (valores && i + valores >= argc) {
      std::fprintf(stderr, "zorb dump: %s needs %s (see zorb dump --help)\n", a.c_str(),
                   valores == 3 ? "FIELD OP VALUE" : "a value");
      return 2;
    }
    if (a == "--key" && (clave = Entero(argv[++i], 1)) < 0) {
      std::fprintf(stderr, "zorb dump: --key takes a key number from 1, not '%s'\n", argv[i]);
      return 2;
    } else if (a == "--limit" && (limite = Entero(argv[++i], 0)) < 0) {
      std::fprintf(stderr, "zorb dump: --limit takes a count, not '%s'\n", argv[i]);
      return 2;
    } else if (a == "--from") {
      desde = argv[++i];
    } else if (a == "--filter") {
      filtros.push_back({argv[i + 1], argv[i + 2], argv[i + 3]});
      i += 3;
    } else if (!valores && a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "zorb dump: unknown option '%s' (see zorb dump --help)\n", a.c_str());
      return 2;
    } else if (!valores && !tabla) {
      tabla = argv[i];
    } else if (!valores) {
      std::fprintf(stderr, "zorb dump: one table at a time ('%s' and '%s')\n", tabla, argv[i]);
      return 2;
    }
  }
  if (!tabla) {
    std::fputs("zorb dump: a TABLE is needed (see zorb dump --help)\n", stderr);
    return 2;
  }
  if (FaltaConexion("dump", c)) return 2;

  Archivo arch;
  if (int r = arch.Abre("dump", c, tabla)) return r;
  Arch* a = arch.arch;
  const int nCampos = a->NumCmps();
  if (clave > a->NumClaves()) {
    std::fprintf(stderr, "zorb dump: %s has no key %ld (its keys: %s)\n", tabla, clave,
                 a->NumClaves() ? TextoClaves(a).c_str() : "none");
    return 1;
  }
  for (const Filtro& f : filtros) {
    const char* n = f.campo.c_str();
    long campo = Entero(n[0] == 'C' || n[0] == 'c' ? n + 1 : n, 1);
    int op = CodigoOp(f.op);
    if (campo < 1 || campo > nCampos) {
      std::fprintf(stderr, "zorb dump: %s has no field '%s' (C1 to C%d)\n", tabla, n, nCampos);
      return 2;
    }
    if (op < 0) {
      std::fprintf(stderr, "zorb dump: '%s' is not a comparison (= != > >= < <= like)\n",
                   f.op.c_str());
      return 2;
    }
    std::string valor = f.valor;
    if (a->TipoCmp(int(campo - 1)) == 3 && op != 11) {
      valor = NumeroFecha(f.valor);
      if (valor.empty()) {
        std::fprintf(stderr, "zorb dump: C%ld is a date: '%s' is not dd/mm/yyyy\n", campo,
                     f.valor.c_str());
        return 2;
      }
    }
    for (int cond : op ? std::vector<int>{op} : std::vector<int>{1, 3})
      a->PonFiltro(int(campo - 1), cond, valor.c_str());
  }

  int k = int(clave - 1), r;
  if (desde) {
    const int* campos = a->DaClave(k);
    std::string resto = desde;
    for (int j = 1; j <= campos[0]; ++j) {
      size_t coma = resto.find(',');
      a->PonTxtCmp(campos[j] - 1, resto.substr(0, coma).c_str());
      resto = coma == std::string::npos ? "" : resto.substr(coma + 1);
    }
    r = a->Lee(1, k, 0, 0);
  } else {
    r = a->Lee(7, k, 0, 0);
  }

  std::vector<std::string> cab;
  for (int i = 0; i < nCampos; ++i) cab.push_back("C" + std::to_string(i + 1));
  std::vector<std::vector<std::string>> filas;
  for (; r > 0 && (limite < 0 || long(filas.size()) < limite); r = a->Lee(5, k, 0, 0)) {
    filas.emplace_back();
    for (int i = 0; i < nCampos; ++i)
      filas.back().push_back(a->TipoCmp(i) == 3 ? a->TxtEdtCmp(i) : a->TxtPlnCmp(i));
  }
  ImprimeColumnas(cab, filas);
  std::printf("(%zu record%s)\n", filas.size(), filas.size() == 1 ? "" : "s");
  return 0;
}
