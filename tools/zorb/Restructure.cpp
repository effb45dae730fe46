// zorb restructure: moves a table to the field and key layout of a small text file through
// AjtCmpsSQL, as a host calls it, with a progress bar for large tables.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Comandos.h"

namespace {

// Tables with more records than this get a progress bar.
constexpr long kUmbralProgreso = 2000;

void AyudaRestructure() {
  std::puts(
      "usage: zorb restructure TABLE -S SERVER -d DATABASE [-U user] [-P password]\n"
      "                        --layout FILE [--date-field N --since DD/MM/YYYY]\n"
      "                        [--progress | --no-progress]\n"
      "\n"
      "Gives TABLE the fields and keys of FILE, keeping its records (AjtCmpsSQL): they are\n"
      "copied field by field, by position, into TEMP_TABLE, which replaces the table only when\n"
      "it holds every record. A missing table is created empty. FILE has one line per field,\n"
      "in column order, then one line per key; # starts a comment:\n"
      "\n"
      "  field text 30        char(30), 1 to 255 characters\n"
      "  field number 10 2    decimal(10,2): 1 to 38 digits, 0 to 15 of them decimals\n"
      "  field number 6       decimal(6,0)\n"
      "  field float          float\n"
      "  field date           datetime\n"
      "  key 1                key 1 (index TABLE_indent) on C1\n"
      "  key 3 1              key 2 (index TABLE_indent2) on C3, then C1\n"
      "\n"
      "Without key lines the table gets one key on C1.\n"
      "\n"
      "  --date-field N --since DD/MM/YYYY  leave out records whose date field N (C2 or later\n"
      "                       of the present layout) falls before that day\n"
      "  --progress           show the progress bar whatever the size (it shows on standard\n"
      "                       error for tables of more than 2000 records); --no-progress never\n"
      "\n"
      "Exit status: 0 done, 1 no connection or the table kept its layout (see ZorbLog.txt),\n"
      "2 wrong usage or a wrong layout file.");
}

struct Disposicion {
  std::vector<unsigned short> campos;
  std::vector<int> claves;  // the count, then each key's count and fields
};

// Reads the layout file; false, with the reason said on standard error, when it is wrong.
bool LeeDisposicion(const char* ruta, Disposicion* d) {
  std::ifstream f(ruta);
  if (!f) {
    std::fprintf(stderr, "zorb restructure: cannot read the layout file %s\n", ruta);
    return false;
  }
  std::vector<std::vector<int>> claves;
  std::string linea;
  for (int n = 1; std::getline(f, linea); ++n) {
    size_t hash = linea.find('#');
    if (hash != std::string::npos) linea.erase(hash);
    std::istringstream in(linea);
    std::vector<std::string> w;
    for (std::string p; in >> p;) w.push_back(p);
    if (w.empty()) continue;
    auto mal = [&](const std::string& por) {
      std::fprintf(stderr, "zorb restructure: %s:%d: %s\n", ruta, n, por.c_str());
      return false;
    };
    auto num = [](const std::string& t, int min, int max) {
      char* fin = nullptr;
      long v = std::strtol(t.c_str(), &fin, 10);
      return !t.empty() && !*fin && v >= min && v <= max ? int(v) : -1;
    };
    if (w[0] == "field") {
      const std::string clase = w.size() > 1 ? w[1] : "";
      if (!claves.empty()) return mal("fields come before the keys");
      if (clase == "text" && w.size() == 3 && num(w[2], 1, 255) > 0) {
        d->campos.push_back((unsigned short)(num(w[2], 1, 255) << 8));
      } else if (clase == "number" && (w.size() == 3 || w.size() == 4) && num(w[2], 1, 38) > 0) {
        int p = num(w[2], 1, 38), s = w.size() == 4 ? num(w[3], 0, 15) : 0;
        if (s < 0 || s > p) return mal("the decimals of a number go from 0 to 15, within its digits");
        d->campos.push_back((unsigned short)(p << 8 | s << 2 | 2));
      } else if (clase == "float" && w.size() == 2) {
        d->campos.push_back(0x00FE);  // class 2, decimals -1
      } else if (clase == "date" && w.size() == 2) {
        d->campos.push_back(0x0803);
      } else {
        return mal("a field is 'field text WIDTH', 'field number DIGITS [DECIMALS]', "
                   "'field float' or 'field date'");
      }
    } else if (w[0] == "key") {
      if (w.size() < 2) return mal("a key names its fields: key 3 1");
      std::vector<int> k;
      for (size_t i = 1; i < w.size(); ++i) {
        const char* t = w[i].c_str();
        int c = num(t[0] == 'C' ? t + 1 : t, 1, int(d->campos.size()));
        if (c < 0)
          return mal("'" + w[i] + "' is not a field of the layout (1 to " +
                     std::to_string(d->campos.size()) + ")");
        k.push_back(c);
      }
      claves.push_back(k);
    } else {
      return mal("'" + w[0] + "': a line is 'field ...' or 'key ...'");
    }
  }
  if (d->campos.empty()) {
    std::fprintf(stderr, "zorb restructure: %s has no field\n", ruta);
    return false;
  }
  if (!claves.empty()) {
    d->claves.push_back(int(claves.size()));
    for (const auto& k : claves) {
      d->claves.push_back(int(k.size()));
      d->claves.insert(d->claves.end(), k.begin(), k.end());
    }
  }
  return true;
}

// Day number of dd/mm/yyyy counted from 1 January of year 1; 0 when the text is not a date.
int NumeroDia(const std::string& t) {
  int d = 0, m = 0, a = 0;
  char resto = 0;
  if (std::sscanf(t.c_str(), "%d/%d/%d%c", &d, &m, &a, &resto) != 3 || m < 1 || m > 12 ||
      a < 1 || a > 9999)
    return 0;
  static const int dias[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool bisiesto = (a % 4 == 0 && a % 100 != 0) || a % 400 == 0;
  if (d < 1 || d > dias[m - 1] + (m == 2 && bisiesto)) return 0;
  long y = a - 1;
  long n = y * 365 + y / 4 - y / 100 + y / 400;
  for (int i = 0; i < m - 1; ++i) n += dias[i] + (i == 1 && bisiesto);
  return int(n + d);
}

// Counts the records of the temporary copy while the restructuring runs, on an ODBC
// connection of its own (a count that fails, before the copy exists, shows nothing).
class Progreso {
 public:
  Progreso(const Conexion& c, const std::string& tabla, long total) : total_(total) {
    if (!Conecta(c)) return;
    sql_ = "select count(*) from TEMP_" + tabla;
    hilo_ = std::thread([this] { Bucle(); });
  }
  // Stops counting; the bar ends full when the table was restructured.
  void Termina(bool completo) {
    completo_ = completo;
    fin_ = true;
    if (hilo_.joinable()) hilo_.join();
  }
  ~Progreso() {
    Termina(false);
    if (stmt_) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
    if (dbc_) {
      SQLDisconnect(dbc_);
      SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    }
    if (env_) SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }

 private:
  bool Conecta(const Conexion& c) {
    auto llaves = [](const std::string& v) {
      std::string r = "{";
      for (char ch : v) r += ch == '}' ? "}}" : std::string(1, ch);
      return r + "}";
    };
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_))) return false;
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)SQL_OV_ODBC3, 0);
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_))) return false;
    std::string servidor = c.servidor, usuario = *c.usuario ? c.usuario : "sa";
    SQLRETURN r;
    if (servidor.compare(0, 4, "DSN-") == 0) {
      r = SQLConnect(dbc_, (SQLCHAR*)servidor.c_str() + 4, SQL_NTS, (SQLCHAR*)usuario.c_str(),
                     SQL_NTS, (SQLCHAR*)c.clave, SQL_NTS);
    } else {
      std::string texto = "DRIVER={SQL Server};SERVER=" + llaves(servidor) +
                          ";UID=" + llaves(usuario) + ";PWD=" + llaves(c.clave) +
                          ";DATABASE=" + llaves(c.base);
      r = SQLDriverConnect(dbc_, nullptr, (SQLCHAR*)texto.c_str(), SQL_NTS, nullptr, 0, nullptr,
                           SQL_DRIVER_NOPROMPT);
    }
    if (!SQL_SUCCEEDED(r)) {
      SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
      dbc_ = nullptr;
      return false;
    }
    return SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt_));
  }
  long Cuenta() {
    SQLINTEGER n = -1;
    SQLLEN ind = 0;
    if (SQL_SUCCEEDED(SQLExecDirect(stmt_, (SQLCHAR*)sql_.c_str(), SQL_NTS)) &&
        SQL_SUCCEEDED(SQLFetch(stmt_)))
      SQLGetData(stmt_, 1, SQL_C_SLONG, &n, 0, &ind);
    SQLCloseCursor(stmt_);
    return n;
  }
  void Barra(long n) {
    const int ancho = 40;
    long hechos = total_ > 0 ? (n >= total_ ? ancho : n * ancho / total_) : ancho;
    std::fprintf(stderr, "\r[%s%s] %3ld%% %ld/%ld", std::string(size_t(hechos), '#').c_str(),
                 std::string(size_t(ancho - hechos), '.').c_str(), hechos * 100 / ancho, n,
                 total_);
    std::fflush(stderr);
  }
  void Bucle() {
    long visto = 0;
    Barra(0);
    while (!fin_) {
      long n = Cuenta();
      if (n > visto) Barra(visto = n);
      for (int i = 0; i < 10 && !fin_; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (completo_) Barra(total_);
    std::fputc('\n', stderr);
  }

  long total_;
  std::string sql_;
  SQLHENV env_ = nullptr;
  SQLHDBC dbc_ = nullptr;
  SQLHSTMT stmt_ = nullptr;
  std::atomic<bool> fin_{false};
  std::atomic<bool> completo_{false};
  std::thread hilo_;
};

}  // namespace

int CmdRestructure(int argc, char** argv) {
  Conexion c;
  const char *tabla = nullptr, *ruta = nullptr, *desde = nullptr, *campoFecha = nullptr;
  int progreso = 0;  // 1 always, -1 never, 0 by size
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      AyudaRestructure();
      return 0;
    }
    int r = OpcionConexion("restructure", argc, argv, &i, &c);
    if (r < 0) return 2;
    if (r > 0) continue;
    const char** destino = a == "--layout"       ? &ruta
                           : a == "--since"      ? &desde
                           : a == "--date-field" ? &campoFecha
                                                 : nullptr;
    if (destino) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "zorb restructure: %s needs a value (see zorb restructure --help)\n",
                     a.c_str());
        return 2;
      }
      *destino = argv[++i];
    } else if (a == "--progress" || a == "--no-progress") {
      progreso = a == "--progress" ? 1 : -1;
    } else if (a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "zorb restructure: unknown option '%s' (see zorb restructure --help)\n",
                   a.c_str());
      return 2;
    } else if (!tabla) {
      tabla = argv[i];
    } else {
      std::fprintf(stderr, "zorb restructure: one table at a time ('%s' and '%s')\n", tabla,
                   argv[i]);
      return 2;
    }
  }
  if (!tabla || !ruta) {
    std::fputs("zorb restructure: a TABLE and --layout FILE are needed "
               "(see zorb restructure --help)\n", stderr);
    return 2;
  }
  if (FaltaConexion("restructure", c)) return 2;
  if (!desde != !campoFecha) {
    std::fputs("zorb restructure: --date-field and --since go together\n", stderr);
    return 2;
  }
  Disposicion d;
  if (!LeeDisposicion(ruta, &d)) return 2;

  // The table as it is: missing (it will be created), or its count and date field.
  long antes = 0;
  int indiceFecha = 0, primerDia = 0;
  {
    GrpOdbc* grupo = NvoGrpOdbc();
    CnxOdbc* cnx = mOdbc(grupo, c.servidor, c.base, c.usuario, c.clave);
    int falta = 0;
    Arch* a = cnx ? NvoArchSQL(cnx, tabla, &falta, 0, 0, "") : nullptr;
    int error = 0;
    if (!cnx) {
      std::fprintf(stderr, "zorb restructure: cannot connect to %s, database %s\n", c.servidor,
                   c.base);
      error = 1;
    } else if (!a) {
      std::fprintf(stderr, "zorb restructure: '%s' cannot be opened as a table\n", tabla);
      error = 1;
    } else if (!falta) {
      antes = a->NumRegs(0, 1);
    }
    if (!error && campoFecha) {
      const char* t = campoFecha[0] == 'C' ? campoFecha + 1 : campoFecha;
      indiceFecha = std::atoi(t) - 1;
      primerDia = NumeroDia(desde);
      if (indiceFecha < 1 || falta || a->TipoCmp(indiceFecha) != 3) {
        std::fprintf(stderr, "zorb restructure: --date-field %s is not a date field of %s "
                     "(C2 or later)\n", campoFecha, tabla);
        error = 2;
      } else if (!primerDia) {
        std::fprintf(stderr, "zorb restructure: --since %s is not a date DD/MM/YYYY\n", desde);
        error = 2;
      }
    }
    DelArchSQL(a);
    DelGrpOdbc(grupo);
    if (error) return error;
  }

  int cabecera[8] = {};
  cabecera[5] = int(d.campos.size());
  std::unique_ptr<Progreso> barra;
  if (progreso > 0 || (progreso == 0 && antes > kUmbralProgreso))
    barra.reset(new Progreso(c, tabla, antes));
  AjtCmpsSQL(c.servidor, c.base, tabla, d.campos.data(),
             d.claves.empty() ? nullptr : d.claves.data(), cabecera, c.usuario, c.clave, 0,
             indiceFecha, primerDia);

  // Done when the table now has the layout of the file.
  Archivo despues;
  if (int r = despues.Abre("restructure", c, tabla)) return r;
  Arch* a = despues.arch;
  bool igual = a->NumCmps() == int(d.campos.size()) &&
               a->NumClaves() == (d.claves.empty() ? 1 : d.claves[0]);
  for (int i = 0; igual && i < a->NumCmps(); ++i) {
    int clase = d.campos[size_t(i)] & 3;
    igual = a->TipoCmp(i) == (clase == 0 ? 1 : clase) &&
            (clase != 0 || a->LonCmp(i) == d.campos[size_t(i)] >> 8);
  }
  for (size_t k = 0, p = 1; igual && k < d.claves.size() && p < d.claves.size(); ++k) {
    const int* clave = a->DaClave(int(k));
    igual = clave && std::equal(clave, clave + clave[0] + 1, d.claves.begin() + long(p));
    p += size_t(d.claves[p]) + 1;
  }
  if (barra) barra->Termina(igual);
  if (!igual) {
    std::fprintf(stderr, "zorb restructure: %s kept its layout: the restructuring stopped "
                 "(see ZorbLog.txt)\n", tabla);
    return 1;
  }
  std::printf("OK: %s has %d fields and %d key%s, %d records\n", tabla, a->NumCmps(),
              a->NumClaves(), a->NumClaves() == 1 ? "" : "s", a->NumRegs(0, 1));
  return 0;
}
