/* A Windows host written in C. It loads ZORB.dll by name, finds the exports with
   GetProcAddress, and gives MacroSQL a result object whose table it lays out by hand as the
   platform's usual compiler does: entry 0 the deleting destructor, slot k at entry k, thiscall on
   x86; it calls the slots of a data file the same way. Administration, free SQL, a data file,
   a restructuring and the log file are checked against the embedded engine.
   Argument: the server folder. Exit status: the number of failed checks. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#if defined(__i386__)
#  define RANURA __attribute__((thiscall))
#else
#  define RANURA
#endif

typedef void* GrpOdbc;
typedef void* CnxOdbc;
typedef void* SentOdbc;
typedef GrpOdbc (*FnNvoGrpOdbc)(void);
typedef CnxOdbc (*FnmOdbc)(GrpOdbc, const char*, const char*, const char*, const char*);
typedef void (*FnDelGrpOdbc)(GrpOdbc);
typedef int (*FnBaseD)(const char*, const char*, const char*, const char*);
typedef void (*FnDropArcSQL)(const char*, const char*, const char*, const char*, const char*);
typedef int (*FnMacroSQL)(int, const char*, int, void*, CnxOdbc*, SentOdbc*, const char*,
                          const char*, const char*, const char*, char*);
typedef int (*FnDelMacroSQL)(CnxOdbc*, SentOdbc*);
typedef void* (*FnNvoArchSQL)(CnxOdbc, const char*, int*, int, int, const char*);
typedef void (*FnDelArchSQL)(void*);
typedef void (*FnAjtCmpsSQL)(const char*, const char*, const char*, const unsigned short*,
                             const int*, const void*, const char*, const char*, int, int, int);

/* Slots of a data file, by their entry in its table. */
typedef int (RANURA* FnLee)(void*, int, int, int, int);
typedef const char* (RANURA* FnTxtCmp)(void*, int, int);
typedef const char* (RANURA* FnTexto)(void*);
typedef int (RANURA* FnEntero)(void*);
typedef void* (RANURA* FnDestruye)(void*, unsigned);
#define RANURA_ARCH(arch, k, Tipo) ((Tipo)((*(void* const* const*)(arch))[k]))

static int fallos = 0;
static int ajenas = 0; /* calls the library must never make: reserved slots, slot 0 */
#define CHECK(c)                                                   \
  do {                                                             \
    if (!(c)) {                                                    \
      printf("%s:%d: failed: %s\n", __FILE__, __LINE__, #c);       \
      fallos++;                                                    \
    }                                                              \
  } while (0)

/* ---- The result object --------------------------------------------------------------------- */
typedef struct Resultado {
  void* const* tabla;
  int aperturas, filaAbierta, celdas, filaCelda;
  char texto[4][4][32]; /* [rowset row][column] */
} Resultado;

static void* RANURA Destruye(Resultado* r, unsigned flags) {
  (void)flags;
  ajenas++;
  return r;
}
static void RANURA Reservado(Resultado* r) {
  (void)r;
  ajenas++;
}
static void RANURA AbreFila(Resultado* r, int fila) {
  r->aperturas++;
  r->filaAbierta = fila;
}
static void RANURA PonCelda(Resultado* r, int fila, int lote, int col, const char* texto) {
  r->celdas++;
  r->filaCelda = fila;
  if (lote >= 0 && lote < 4 && col >= 0 && col < 4)
    snprintf(r->texto[lote][col], sizeof r->texto[lote][col], "%s", texto);
}

static void* const kTablaResultado[12] = {
    (void*)Destruye,  (void*)Reservado, (void*)AbreFila,  (void*)Reservado,
    (void*)Reservado, (void*)Reservado, (void*)Reservado, (void*)Reservado,
    (void*)Reservado, (void*)Reservado, (void*)Reservado, (void*)PonCelda};

static void Nuevo(Resultado* r) {
  memset(r, 0, sizeof *r);
  r->tabla = kTablaResultado;
  r->filaAbierta = r->filaCelda = -1;
}

/* ---- The log file -------------------------------------------------------------------------- */
static int Cuenta(const char* texto, const char* trozo) {
  int n = 0;
  for (const char* p = strstr(texto, trozo); p; p = strstr(p + 1, trozo)) n++;
  return n;
}

static void CompruebaLog(int registros) {
  static char log[65536];
  HANDLE f = CreateFileA("ZorbLog.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  CHECK(f != INVALID_HANDLE_VALUE);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD n = 0;
  ReadFile(f, log, sizeof log - 1, &n, NULL);
  CloseHandle(f);
  log[n] = '\0';
  SYSTEMTIME hoy;
  GetLocalTime(&hoy);
  char fecha[32];
  snprintf(fecha, sizeof fecha, "====\r\nFecha: %d-%02d-%02d ", hoy.wYear, hoy.wMonth, hoy.wDay);
  CHECK(Cuenta(log, "====\r\n") == registros);
  CHECK(Cuenta(log, fecha) == registros);
  CHECK(Cuenta(log, "\r\nError SQL 211--\r\n") == registros);
}

int main(int argc, char** argv) {
  if (argc < 2) {
    printf("usage: anfitrion SERVER-FOLDER\n");
    return 2;
  }
  const char* srv = argv[1];
  const char* base = "zorbwin";

  HMODULE dll = LoadLibraryA("ZORB.dll");
  CHECK(dll != NULL);
  if (!dll) return 1;
#define EXPORT(tipo, nombre) tipo nombre = (tipo)(void (*)(void))GetProcAddress(dll, #nombre)
  EXPORT(FnNvoGrpOdbc, NvoGrpOdbc);
  EXPORT(FnmOdbc, mOdbc);
  EXPORT(FnDelGrpOdbc, DelGrpOdbc);
  EXPORT(FnBaseD, NvaBaseD);
  EXPORT(FnBaseD, DelBaseD);
  EXPORT(FnDropArcSQL, DropArcSQL);
  EXPORT(FnMacroSQL, MacroSQL);
  EXPORT(FnDelMacroSQL, DelMacroSQL);
  EXPORT(FnNvoArchSQL, NvoArchSQL);
  EXPORT(FnDelArchSQL, DelArchSQL);
  EXPORT(FnAjtCmpsSQL, AjtCmpsSQL);
  CHECK(NvoGrpOdbc && mOdbc && DelGrpOdbc && NvaBaseD && DelBaseD && DropArcSQL && MacroSQL &&
        DelMacroSQL && NvoArchSQL && DelArchSQL && AjtCmpsSQL &&
        GetProcAddress(dll, "CorrigeIndices"));
  if (fallos) return fallos;

  /* A database of its own (a leftover of an interrupted run goes first), reached through the
     connection group. */
  DelBaseD(srv, base, "sa", "");
  DeleteFileA("ZorbLog.txt");
  int creada = NvaBaseD(srv, base, "sa", "");
  CHECK(creada == 0 || creada == 1);
  GrpOdbc g = NvoGrpOdbc();
  CnxOdbc c = mOdbc(g, srv, base, "sa", "");
  CHECK(c != NULL);
  CHECK(mOdbc(g, srv, base, "sa", "") == c);
  DelGrpOdbc(g);

  /* Free SQL into the host's own result object. */
  CnxOdbc celdaCnx = NULL;
  SentOdbc celdaSent = NULL;
  char error[300] = "";
  Resultado r;
  Nuevo(&r);
#define MACRO(op, sql, fila) \
  MacroSQL(op, sql, fila, &r, &celdaCnx, &celdaSent, srv, base, "sa", "", error)
  CHECK(MACRO(5, "CREATE TABLE t (C1 varchar(10), C2 int)", 1) >= 0);
  CHECK(MACRO(5, "INSERT INTO t VALUES ('uno', 1)", 1) == 1);
  CHECK(MACRO(5, "INSERT INTO t VALUES ('dos', 2)", 1) == 1);
  Nuevo(&r);
  CHECK(MACRO(5, "SELECT C1, C2 FROM t ORDER BY C2", 3) == 2);
  CHECK(r.aperturas == 1 && r.filaAbierta == 2 && r.filaCelda == 2 && r.celdas == 4);
  CHECK(!strcmp(r.texto[0][0], "uno") && !strcmp(r.texto[0][1], "1"));
  CHECK(!strcmp(r.texto[1][0], "dos") && !strcmp(r.texto[1][1], "2"));

  Nuevo(&r);
  CHECK(MACRO(1, "SELECT 20 + 22", 1) == 1);
  CHECK(r.aperturas == 1 && r.filaAbierta == 0 && !strcmp(r.texto[0][0], "42"));
  CHECK(MACRO(2, NULL, 1) == -1);
  CHECK(MACRO(4, NULL, 1) == 1);
  CHECK(MACRO(3, NULL, 1) == -1);
  CHECK(MACRO(5, "SELEC nada", 1) == -1 && error[0] != '\0');

  /* A text too long for the statement buffer is refused and logged, once per call. */
  static char larga[6100];
  memset(larga, 'x', sizeof larga - 1);
  memcpy(larga, "SELECT ", 7);
  CHECK(MACRO(5, larga, 1) == -1);
  CHECK(MACRO(1, larga, 1) == -1);
  CompruebaLog(2);

  /* The table as a data file, its slots called by entry: Lee 1, TxtCmp 15, NomArch 22, NumCmps
     24, NumClaves 26, ClaseArch 27; one object destroyed through slot 0, one by DelArchSQL. */
  CHECK(MACRO(5, "CREATE INDEX t_indent ON t (C2)", 1) >= 0);
  g = NvoGrpOdbc();
  c = mOdbc(g, srv, base, "sa", "");
  int falta = -1;
  void* arch = NvoArchSQL(c, "t", &falta, 0, 0, "");
  CHECK(arch != NULL && falta == 0);
  if (arch) {
    CHECK(RANURA_ARCH(arch, 24, FnEntero)(arch) == 2);
    CHECK(RANURA_ARCH(arch, 26, FnEntero)(arch) == 1);
    CHECK(RANURA_ARCH(arch, 27, FnEntero)(arch) == 5);
    CHECK(!strcmp(RANURA_ARCH(arch, 22, FnTexto)(arch), "t"));
    CHECK(RANURA_ARCH(arch, 1, FnLee)(arch, 8, 0, 0, 0) == 1);
    CHECK(!strcmp(RANURA_ARCH(arch, 15, FnTxtCmp)(arch, 0, 0), "dos"));
    CHECK(RANURA_ARCH(arch, 1, FnLee)(arch, 6, 0, 0, 0) == 1);
    CHECK(!strcmp(RANURA_ARCH(arch, 15, FnTxtCmp)(arch, 0, 0), "uno"));
    CHECK(RANURA_ARCH(arch, 1, FnLee)(arch, 6, 0, 0, 0) == -1);
    CHECK(RANURA_ARCH(arch, 0, FnDestruye)(arch, 1) == arch);
  }
  arch = NvoArchSQL(c, "nueva", &falta, 0, 0, "");
  CHECK(arch != NULL && falta == 1);
  DelArchSQL(arch);
  DelGrpOdbc(g);

  /* A missing table restructured: made empty in the new layout, keys (C2) and (C1). */
  unsigned short campos[2] = {0x0A00, 0x0502};
  int claves[5] = {2, 1, 2, 1, 1}, cabecera[8] = {0, 0, 0, 0, 0, 2};
  AjtCmpsSQL(srv, base, "nueva", campos, claves, cabecera, "sa", "", 0, 0, 0);
  Nuevo(&r);
  CHECK(MACRO(5, "sp_helpindex nueva", 1) == 2);
  CHECK(!strcmp(r.texto[0][0], "nueva_indent") && !strcmp(r.texto[1][0], "nueva_indent2"));

  /* Administration: the table goes, then the database. */
  DropArcSQL(srv, base, "sa", "", "t");
  Nuevo(&r);
  CHECK(MACRO(5, "SELECT C1 FROM t", 1) == -1);
  CHECK(DelMacroSQL(&celdaCnx, &celdaSent) == 1 && !celdaCnx && !celdaSent);
  int borrada = DelBaseD(srv, base, "sa", "");
  CHECK(borrada == 0 || borrada == 1);
  g = NvoGrpOdbc();
  CHECK(mOdbc(g, srv, base, "sa", "") == NULL);
  DelGrpOdbc(g);

  CHECK(ajenas == 0);
  FreeLibrary(dll);
  printf("host: %d failed checks\n", fallos);
  return fallos;
}
