// A database of the test's own and a host's view of the data files on it.
#pragma once
#include <cstdio>
#include <string>

#include "Entorno.h"
#include "Sql.h"
#include "odbc/CnxOdbc.h"
#include "zorb/host.h"
#include "zorb/zorb.h"

// Layout header of the host: only the field count at byte 20 is read.
struct Cabecera {
  char otros[20];
  int nCampos;
};

// Field descriptor words: class in bits 0-1, signed decimals in 2-6, width in 8-15.
constexpr unsigned short Texto(int ancho) { return (unsigned short)(ancho << 8 | 1); }
constexpr unsigned short Numero(int ancho, int dec) {
  return (unsigned short)(ancho << 8 | (dec & 0x1F) << 2 | 2);
}
constexpr unsigned short Fecha() { return (unsigned short)(8 << 8 | 3); }

inline std::string SinBlancos(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}
inline std::string Num(double x) {
  char t[32];
  snprintf(t, sizeof t, "%.10g", x);
  return t;
}

class ConBase : public ConServidor {
 protected:
  void SetUp() override {
    ASSERT_EQ(NvaBaseD(srv(), "DATOS", nullptr, nullptr), SQL_SUCCESS);
    grupo = NvoGrpOdbc();
    cnx = mOdbc(grupo, srv(), "DATOS", "sa", "");
    ASSERT_NE(cnx, nullptr);
  }
  void TearDown() override { DelGrpOdbc(grupo); }

  const char* srv() const { return entorno.servidor().c_str(); }
  SQLHDBC hdbc() const { return cnx->hdbc; }
  void Sql(const std::string& texto) {
    std::string diag;
    ASSERT_TRUE(SQL_SUCCEEDED(SqlDirecto(hdbc(), texto, nullptr, &diag))) << texto << ": " << diag;
  }
  Arch* Abre(const char* tabla, int* falta = nullptr) {
    int f;
    return NvoArchSQL(cnx, tabla, falta ? falta : &f, 0, 0, "");
  }
  // Creates the table through a data file, as a host does for a missing table; false on failure.
  bool Crea(const char* tabla, std::initializer_list<unsigned short> campos,
            std::initializer_list<int> claves) {
    int falta = 0;
    Arch* a = Abre(tabla, &falta);
    if (!a || falta != 1) {
      DelArchSQL(a);
      return false;
    }
    Cabecera c{};
    c.nCampos = int(campos.size());
    a->CreaArch(&c, campos.begin(), claves.size() ? claves.begin() : nullptr);
    DelArchSQL(a);
    return true;
  }

  GrpOdbc* grupo = nullptr;
  CnxOdbc* cnx = nullptr;
};
