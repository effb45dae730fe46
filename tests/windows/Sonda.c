/* The host's side of the probe: every call goes to a vtable entry by number, with the entry
   types that the platform's compiler gives the slots (thiscall on x86). Slot 0 is entry 0. Each
   function returns its number of failed checks. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#if defined(__i386__)
#  define RANURA __attribute__((thiscall))
#else
#  define RANURA
#endif

#define ENTRADA(tipo, o, k) ((tipo)((*(void* const**)(o))[k]))

typedef void* (RANURA* F_destruye)(void*, unsigned);
typedef void (RANURA* F_v)(void*);
typedef int (RANURA* F_i)(void*);
typedef int (RANURA* F_ii)(void*, int);
typedef int (RANURA* F_iii)(void*, int, int);
typedef double (RANURA* F_d)(void*);
typedef double (RANURA* F_di)(void*, int);
typedef double (RANURA* F_dii)(void*, int, int);
typedef const char* (RANURA* F_t)(void*);
typedef const char* (RANURA* F_ti)(void*, int);
typedef const char* (RANURA* F_tii)(void*, int, int);
typedef void (RANURA* F_vd)(void*, double);
typedef void (RANURA* F_vti)(void*, const char*, int);
typedef void (RANURA* F_vit)(void*, int, const char*);
typedef void (RANURA* F_viit)(void*, int, int, const char*);
typedef void (RANURA* F_viid)(void*, int, int, double);
typedef void (RANURA* F_vid)(void*, int, double);
typedef void (RANURA* F_vii)(void*, int, int);
typedef void (RANURA* F_vh)(void*, HANDLE);

static int fallos;
#define CHECK(c)                                                   \
  do {                                                             \
    if (!(c)) {                                                    \
      printf("%s:%d: failed: %s\n", __FILE__, __LINE__, #c);       \
      fallos++;                                                    \
    }                                                              \
  } while (0)

void* SondaDestruye(void* o, unsigned flags) { return ENTRADA(F_destruye, o, 0)(o, flags); }

int SondaCampos(void* n, void* f, void* s) {
  fallos = 0;
  CHECK(ENTRADA(F_d, n, 4)(n) == 2.5);                   /* Num */
  ENTRADA(F_vd, n, 1)(n, -3.25);                         /* PonNum */
  CHECK(ENTRADA(F_d, n, 4)(n) == -3.25);
  CHECK(!strcmp(ENTRADA(F_t, n, 3)(n), "-3.25"));        /* Txt */
  /* The number texts as on Linux, whatever the C runtime's own formatting. */
  static const struct { double x; const char* txt; } numeros[] = {
      {123456789012.345678, "123456789012.35"}, {1.0 / 3, ".3333333333333"},
      {-99999999999999.0, "-99999999999999"}, {2.99999999999995, "3"}, {1e-9, ".000000001"}};
  for (size_t i = 0; i < sizeof numeros / sizeof numeros[0]; i++) {
    ENTRADA(F_vd, n, 1)(n, numeros[i].x);
    CHECK(!strcmp(ENTRADA(F_t, n, 3)(n), numeros[i].txt));
  }

  ENTRADA(F_vti, f, 2)(f, "19/05/10", 0);                /* PonTxt */
  CHECK(!strcmp(ENTRADA(F_t, f, 6)(f), "19/05/10"));     /* TxtEdt */
  CHECK(ENTRADA(F_d, f, 4)(f) == 539769.0);              /* Num */
  CHECK(ENTRADA(F_i, f, 5)(f) == 192510);                /* Ent */
  CHECK(ENTRADA(F_i, f, 11)(f) == 3 && ENTRADA(F_i, f, 12)(f) == 8 && ENTRADA(F_i, f, 13)(f) == 0);
  /* -1 is today, from the local clock. */
  SYSTEMTIME hoy;
  GetLocalTime(&hoy);
  ENTRADA(F_vd, f, 1)(f, -1.0);
  CHECK(ENTRADA(F_i, f, 5)(f) == (hoy.wDay * 100 + hoy.wMonth) * 100 + hoy.wYear);

  CHECK(ENTRADA(F_i, s, 11)(s) == 1);
  CHECK(!strcmp(ENTRADA(F_ti, s, 8)(s, ' '), "abc"));     /* TxtSin */
  return fallos;
}

static HANDLE Archivo(const char* nombre) {
  return CreateFileA(nombre, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, NULL);
}

/* The bytes from the start of the file; the position goes back to the start. */
static DWORD Contenido(HANDLE h, unsigned char* buf, DWORD n) {
  DWORD leidos = 0;
  SetFilePointer(h, 0, NULL, FILE_BEGIN);
  ReadFile(h, buf, n, &leidos, NULL);
  SetFilePointer(h, 0, NULL, FILE_BEGIN);
  return leidos;
}

int SondaVector(void* v) {
  fallos = 0;
  ENTRADA(F_vit, v, 12)(v, 0, "ab");                     /* PonElem */
  ENTRADA(F_vit, v, 12)(v, 2, "cde");
  CHECK(ENTRADA(F_i, v, 2)(v) == 3);                     /* Cuenta */
  CHECK(ENTRADA(F_ii, v, 3)(v, 2) == 3);                 /* Existe */
  CHECK(!strcmp(ENTRADA(F_ti, v, 4)(v, 1), ""));         /* Elem */

  /* The saved form through a host handle, and back. */
  HANDLE h = Archivo("sonda-vector.bin");
  CHECK(h != INVALID_HANDLE_VALUE);
  ENTRADA(F_vh, v, 15)(v, h);                            /* Guarda */
  unsigned char buf[64];
  static const unsigned char esperado[] = {8, 0, 'a', 'b', 0, 0, 'c', 'd', 'e', 0};
  CHECK(Contenido(h, buf, sizeof buf) == sizeof esperado);
  CHECK(!memcmp(buf, esperado, sizeof esperado));
  ENTRADA(F_v, v, 1)(v);                                 /* Limpia */
  CHECK(ENTRADA(F_i, v, 2)(v) == 0);
  ENTRADA(F_vh, v, 14)(v, h);                            /* Carga */
  CHECK(ENTRADA(F_i, v, 2)(v) == 3 && !strcmp(ENTRADA(F_ti, v, 4)(v, 2), "cde"));
  CloseHandle(h);

  ENTRADA(F_vid, v, 11)(v, 1, 12.5);                     /* PonNumElem */
  CHECK(ENTRADA(F_di, v, 9)(v, 1) == 12.5);              /* NumElem */
  return fallos;
}

int SondaMatriz(void* m) {
  fallos = 0;
  ENTRADA(F_viit, m, 12)(m, 2, 1, "x");                  /* PonElem */
  CHECK(ENTRADA(F_i, m, 2)(m) == 3);                     /* NumFilas */
  CHECK(ENTRADA(F_ii, m, 1)(m, 2) == 2);                 /* NumCols */
  CHECK(!strcmp(ENTRADA(F_tii, m, 6)(m, 2, 1), "x"));    /* Elem */
  ENTRADA(F_viid, m, 11)(m, 0, 0, 7.5);                  /* PonNumElem */
  CHECK(ENTRADA(F_dii, m, 7)(m, 0, 0) == 7.5);           /* NumElem */
  CHECK(ENTRADA(F_iii, m, 5)(m, 5, 0) == 0 && ENTRADA(F_i, m, 2)(m) == 3);  /* Existe */
  CHECK(ENTRADA(F_destruye, m, 0)(m, 1) == m);           /* destroys the whole matriz2 */
  return fallos;
}

int SondaEntero(void* e) {
  fallos = 0;
  CHECK(ENTRADA(F_ii, e, 7)(e, 1) == 1);                 /* Agrega */
  ENTRADA(F_vii, e, 6)(e, 1, -2);                        /* PonElem */
  ENTRADA(F_vii, e, 6)(e, 2, 70000);
  CHECK(ENTRADA(F_i, e, 2)(e) == 3);                     /* Cuenta */
  CHECK(ENTRADA(F_i, e, 4)(e) == 1);                     /* Sig */

  HANDLE h = Archivo("sonda-entero.bin");
  CHECK(h != INVALID_HANDLE_VALUE);
  ENTRADA(F_vh, e, 13)(e, h);                            /* Guarda */
  unsigned char buf[64];
  static const unsigned char esperado[] = {3, 0, 1, 0, 0xFE, 0xFF, 0x70, 0x11};
  CHECK(Contenido(h, buf, sizeof buf) == sizeof esperado);
  CHECK(!memcmp(buf, esperado, sizeof esperado));
  ENTRADA(F_v, e, 1)(e);                                 /* Limpia */
  ENTRADA(F_vh, e, 12)(e, h);                            /* Carga */
  CHECK(ENTRADA(F_i, e, 10)(e) == 3 && ENTRADA(F_ii, e, 3)(e, 2) == 4464);  /* NumElems, Elem */
  CloseHandle(h);
  return fallos;
}
