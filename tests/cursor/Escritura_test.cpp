// Writing records through a data file: every case starts from the same three records and ends by
// reading the table back twice, through free SQL and through a second data file, both on a
// connection of their own (so a write left inside an open transaction does not show).
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "Tabla.h"

namespace {

std::string SinBlancos(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}
std::string Num(double x) {
  char t[32];
  snprintf(t, sizeof t, "%g", x);
  return t;
}

class Escritura : public ConBase {
 public:
  using ConBase::Sql;

 protected:
  void SetUp() override {
    ConBase::SetUp();
    ASSERT_TRUE(Crea("E", {Texto(8), Numero(12, 2), Texto(8)}, {}));
    otro = NvoGrpOdbc();
    cnx2 = mOdbc(otro, srv(), "DATOS", "sa", "");
    ASSERT_NE(cnx2, nullptr);
  }
  void TearDown() override {
    DelGrpOdbc(otro);
    ConBase::TearDown();
  }
  void Inicia() {
    Sql("DELETE FROM E; INSERT INTO E VALUES ('a', 10, 'x'); INSERT INTO E VALUES ('b', 20, 'y'); "
        "INSERT INTO E VALUES ('c', 30, 'z')");
  }
  // The records as "C1|C2|C3" in key order, through free SQL.
  std::string PorSql() {
    Filas f;
    if (!SQL_SUCCEEDED(SqlDirecto(cnx2->hdbc, "SELECT C1, C2, C3 FROM E ORDER BY C1", &f)))
      return "<error>";
    std::string r;
    for (auto& x : f)
      r += SinBlancos(x[0]) + "|" + Num(atof(x[1].c_str())) + "|" + SinBlancos(x[2]) + " ";
    return r;
  }
  // The same through a second data file.
  std::string PorArch() {
    Arch* b = NvoArchSQL(cnx2, "E", nullptr, 0, 0, "");
    if (!b) return "<error>";
    std::string r;
    for (int k = b->Lee(7, 0, 0, 0); k == 1; k = b->Lee(5, 0, 0, 0))
      r += SinBlancos(b->TxtCmp(0, 0)) + "|" + Num(b->NumCmp(1)) + "|" +
           SinBlancos(b->TxtCmp(2, 0)) + " ";
    DelArchSQL(b);
    return r;
  }
  GrpOdbc* otro = nullptr;
  CnxOdbc* cnx2 = nullptr;
};

std::string R(int n) { return std::to_string(n) + " "; }
std::string Reg(Arch* a) {
  return a->EnReg() == 1 ? SinBlancos(a->TxtCmp(0, 0)) + "|" + Num(a->NumCmp(1)) + "|" +
                               SinBlancos(a->TxtCmp(2, 0))
                         : "-";
}
int Busca(Arch* a, const char* c1) {
  a->PonTxtCmp(0, c1);
  return a->Lee(0, 0, 0, 0);
}

const char* kInicial = "a|10|x b|20|y c|30|z ";

TEST_F(Escritura, EveryWriteIsReadBack) {
  struct Caso {
    const char* nombre;
    std::function<std::string(Arch*, Escritura*)> pasos;
    std::string resultado, tabla;
    const char* log;  // a record that must be logged, or null for none
  } casos[] = {
      {"Graba without a record",
       [](Arch* a, Escritura*) { std::string r = R(Busca(a, "q"));
         return r + R(a->Graba(0)); },
       "-1 -1 ", kInicial, nullptr},
      {"Graba rewrites and stands on the record",
       [](Arch* a, Escritura*) {
         Busca(a, "b");
         a->PonTxtCmp(2, "q'r");
         a->PonNumCmp(1, 21.5);
         std::string r = R(a->Graba(0));
         return r + Reg(a);
       },
       "1 b|21.5|q'r", "a|10|x b|21.5|q'r c|30|z ", nullptr},
      {"Graba(1) commits the table lock",
       [](Arch* a, Escritura*) {
         std::string r = R(a->Bloquea());
         a->PonTxtCmp(2, "w");
         r += R(a->Graba(1));
         return r + Reg(a);
       },
       "1 1 a|10|w", "a|10|w b|20|y c|30|z ", nullptr},
      // A row changed by another user since it was read stays as they left it, without a record.
      {"Graba of a row changed meanwhile",
       [](Arch* a, Escritura* t) {
         Busca(a, "b");
         t->Sql("UPDATE E SET C3 = 'k' WHERE C1 = 'b'");
         a->PonTxtCmp(2, "q");
         std::string r = R(a->Graba(0));
         return r + Reg(a);
       },
       "1 b|20|k", "a|10|x b|20|k c|30|z ", nullptr},
      {"Graba of a value the column cannot hold",
       [](Arch* a, Escritura*) {
         Busca(a, "b");
         a->PonNumCmp(1, 1e12);
         std::string r = R(a->Graba(0));
         return r + Reg(a);
       },
       "1 b|20|y", kInicial, "Error SQL 200-22003-E"},
      {"Alta(998866) leaves no current record",
       [](Arch* a, Escritura*) {
         a->PonTxtCmp(0, "O'B");
         a->PonNumCmp(1, 5);
         std::string r = R(a->Alta(998866));
         r += Reg(a) + " ";
         return r + R(a->NumRegs(0, 0));
       },
       "1 - 1 ", "a|10|x b|20|y c|30|z O'B|5|x ", nullptr},
      {"Alta(0) stands on the new record",
       [](Arch* a, Escritura*) {
         a->PonTxtCmp(0, "d");
         std::string r = R(a->Alta(0));
         return r + Reg(a);
       },
       "1 d|10|x", "a|10|x b|20|y c|30|z d|10|x ", nullptr},
      {"Alta(0) of a value the column cannot hold",
       [](Arch* a, Escritura*) {
         a->PonTxtCmp(0, "d");
         a->PonNumCmp(1, 1e12);
         std::string r = R(a->Alta(0));
         return r + Reg(a);
       },
       "-1 -", kInicial, nullptr},
      // A rowset of three records (after a read that found nothing), standing on the second.
      {"Alta(889977) adds the current row alone",
       [](Arch* a, Escritura*) {
         Busca(a, "q");
         a->Lee(7, 0, 0, 0);
         a->Lee(5, 0, 0, 0);
         a->PonTxtCmp(0, "e");
         std::string r = R(a->Alta(889977));
         return r + Reg(a);
       },
       "1 -", "a|10|x b|20|y c|30|z e|20|y ", nullptr},
      {"Baja deletes the record, found again by its quoted key",
       [](Arch* a, Escritura* t) {
         t->Sql("UPDATE E SET C1 = 'O''B' WHERE C1 = 'b'");
         Busca(a, "O'B");
         return R(a->Baja());
       },
       "1 ", "a|10|x c|30|z ", nullptr},
      {"Baja of a record deleted meanwhile",
       [](Arch* a, Escritura* t) {
         Busca(a, "b");
         t->Sql("DELETE FROM E WHERE C1 = 'b'");
         return R(a->Baja());
       },
       "-1 ", "a|10|x c|30|z ", nullptr},
      {"ModCmp steps codes without writing",
       [](Arch* a, Escritura*) {
         a->ModCmp(2, "A9", 1);
         std::string r = Reg(a) + " ";
         a->ModCmp(2, "A10", 2);
         r += SinBlancos(a->TxtCmp(2, 0)) + " ";
         a->ModCmp(2, "zz", -1);
         a->ModCmp(3, "1", 0);
         a->ModCmp(-1, "1", 0);
         return r + Reg(a);
       },
       "a|10|A10 A9 a|10|zz", kInicial, nullptr},
      {"ModCmp writes through and reads back",
       [](Arch* a, Escritura*) {
         Busca(a, "b");
         a->PonTxtCmp(0, "zz");  // the record is found again by the values as read
         a->ModCmp(2, "w", 0);
         return Reg(a);
       },
       "b|20|w", "a|10|x b|20|w c|30|z ", nullptr},
      {"ModCmp arithmetic under row locks",
       [](Arch* a, Escritura*) {
         Busca(a, "b");
         a->ModCmp(1, "2", 3);
         std::string r = Reg(a) + " ";
         Busca(a, "c");
         a->ModCmp(1, "2", 4);
         return r + Reg(a);
       },
       "b|40|y c|15|z", "a|10|x b|40|y c|15|z ", nullptr},
      {"OperaCmp sets, writes, adds, subtracts and keeps",
       [](Arch* a, Escritura*) {
         a->OperaCmp(1, 7, -1);
         std::string r = Reg(a) + " ";
         Busca(a, "b");
         a->OperaCmp(1, 7, 0);
         a->OperaCmp(1, 3, 1);
         a->OperaCmp(1, 1, 2);
         r += Reg(a) + " ";
         Busca(a, "c");
         a->OperaCmp(1, 7, 9);
         return r + Reg(a);
       },
       "a|7|x b|9|y c|30|z", "a|10|x b|9|y c|30|z ", nullptr},
  };
  for (const Caso& c : casos) {
    Inicia();
    Arch* a = Abre("E");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(c.pasos(a, this), c.resultado) << c.nombre;
    // Autocommit is on again after every write that ends a lock.
    SQLULEN auto_ = 0;
    SQLGetConnectAttr(hdbc(), SQL_ATTR_AUTOCOMMIT, &auto_, 0, nullptr);
    EXPECT_EQ(auto_, SQLULEN(SQL_AUTOCOMMIT_ON)) << c.nombre;
    EXPECT_EQ(PorSql(), c.tabla) << c.nombre;
    EXPECT_EQ(PorArch(), c.tabla) << c.nombre;
    DelArchSQL(a);
    std::string log = entorno.LeeLog();
    if (c.log)
      EXPECT_TRUE(Contiene(log, c.log)) << c.nombre << ": " << log;
    else
      EXPECT_EQ(log, "") << c.nombre;
    std::remove(entorno.log().c_str());
  }
}

}  // namespace
