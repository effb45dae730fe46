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

std::string Reg(Arch* a) {
  if (a->EnReg() != 1) return "-";
  return SinBlancos(a->TxtCmp(0, 0)) + "|" + Num(a->NumCmp(1)) + "|" + SinBlancos(a->TxtCmp(2, 0));
}

// Runs steps separated by ";" and gives what they answer, separated by blanks. B text: Lee(0)
// by C1 = text; L mode: Lee(mode, 0, 0, 0); P field text: PonTxtCmp; N field number: PonNumCmp;
// G release: Graba; A mode: Alta; D: Baja; K: Bloquea; M field mode text: ModCmp; O field op
// number: OperaCmp; S sql: free SQL on the data file's connection; R: the record (- when none);
// T field: TxtCmp; C: NumRegs(0, 0) / NumRegs(0, 1).
std::string Pasos(Arch* a, Escritura* t, const std::string& pasos) {
  std::string r;
  size_t i = 0;
  while (i < pasos.size()) {
    size_t fin = pasos.find("; ", i);
    std::string p = pasos.substr(i, fin == std::string::npos ? std::string::npos : fin - i);
    i = fin == std::string::npos ? pasos.size() : fin + 2;
    char op = p[0];
    int n = p.size() > 2 ? atoi(p.c_str() + 2) : 0;
    size_t d = p.find(' ', 2);
    std::string resto = p.size() > 2 ? p.substr(2) : "";
    std::string tras = d == std::string::npos ? "" : p.substr(d + 1);
    int m = atoi(tras.c_str());
    std::string ultimo = tras.find(' ') == std::string::npos ? "" : tras.substr(tras.find(' ') + 1);
    std::string x;
    switch (op) {
      case 'B': a->PonTxtCmp(0, resto.c_str()); x = std::to_string(a->Lee(0, 0, 0, 0)); break;
      case 'L': x = std::to_string(a->Lee(n, 0, 0, 0)); break;
      case 'P': a->PonTxtCmp(n, tras.c_str()); break;
      case 'N': a->PonNumCmp(n, atof(tras.c_str())); break;
      case 'G': x = std::to_string(a->Graba(n)); break;
      case 'A': x = std::to_string(a->Alta(n)); break;
      case 'D': x = std::to_string(a->Baja()); break;
      case 'K': x = std::to_string(a->Bloquea()); break;
      case 'M': a->ModCmp(n, ultimo.c_str(), m); break;
      case 'O': a->OperaCmp(n, atof(ultimo.c_str()), m); break;
      case 'S': t->Sql(resto); break;
      case 'R': x = Reg(a); break;
      case 'T': x = SinBlancos(a->TxtCmp(n, 0)); break;
      case 'C':
        x = std::to_string(a->NumRegs(0, 0)) + "/" + std::to_string(a->NumRegs(0, 1));
        break;
    }
    if (!x.empty()) r += (r.empty() ? "" : " ") + x;
  }
  return r;
}

const char* kInicial = "a|10|x b|20|y c|30|z ";

TEST_F(Escritura, EveryWriteIsReadBack) {
  struct Caso {
    const char *pasos, *resultado, *tabla;
    const char* log;  // a record that must be logged, or null for none
  } casos[] = {
      {"B q; G 0", "-1 -1", kInicial, nullptr},
      {"B b; P 2 q'r; N 1 21.5; G 0; R", "1 1 b|21.5|q'r", "a|10|x b|21.5|q'r c|30|z ", nullptr},
      // Graba(1) commits the table lock: the other connection sees the change.
      {"K; P 2 w; G 1; R", "1 1 a|10|w", "a|10|w b|20|y c|30|z ", nullptr},
      // A row changed since it was read stays as the other user left it, without a log record.
      {"B b; S UPDATE E SET C3 = 'k' WHERE C1 = 'b'; P 2 q; G 0; R", "1 1 b|20|k",
       "a|10|x b|20|k c|30|z ", nullptr},
      {"B b; N 1 1e12; G 0; R", "1 1 b|20|y", kInicial, "Error SQL 200-22003-E"},
      {"P 0 O'B; N 1 5; A 998866; R; C", "1 - 1/4", "a|10|x b|20|y c|30|z O'B|5|x ", nullptr},
      {"P 0 d; A 0; R", "1 d|10|x", "a|10|x b|20|y c|30|z d|10|x ", nullptr},
      {"P 0 d; N 1 1e12; A 0; R", "-1 -", kInicial, nullptr},
      // A rowset of three (after a read that found nothing) standing on its second record: only
      // that row is added.
      {"B q; L 7; L 5; P 0 e; A 889977; R", "-1 1 1 1 -", "a|10|x b|20|y c|30|z e|20|y ",
       nullptr},
      // The record is found again by its key with the quote doubled.
      {"S UPDATE E SET C1 = 'O''B' WHERE C1 = 'b'; B O'B; D", "1 1", "a|10|x c|30|z ", nullptr},
      {"B b; S DELETE FROM E WHERE C1 = 'b'; D", "1 -1", "a|10|x c|30|z ", nullptr},
      {"M 2 1 A9; R; M 2 2 A10; T 2; M 2 -1 zz; M 3 0 1; M -1 0 1; R", "a|10|A10 A9 a|10|zz",
       kInicial, nullptr},
      // Written through, found again by the values as read (C1 changed in the record only).
      {"B b; P 0 zz; M 2 0 w; R", "1 b|20|w", "a|10|x b|20|w c|30|z ", nullptr},
      {"B b; M 1 3 2; R; B c; M 1 4 2; R", "1 b|40|y 1 c|15|z", "a|10|x b|40|y c|15|z ", nullptr},
      {"O 1 -1 7; R; B b; O 1 0 7; O 1 1 3; O 1 2 1; R; B c; O 1 9 7; R",
       "a|7|x 1 b|9|y 1 c|30|z", "a|10|x b|9|y c|30|z ", nullptr},
      // A division by zero writes nothing and says so.
      {"B b; O 1 4 0; R", "1 b|20|y", kInicial, "Error SQL 200--E\r\nField 1: operation 4 gives"},
  };
  for (const Caso& c : casos) {
    Inicia();
    Arch* a = Abre("E");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Pasos(a, this, c.pasos), c.resultado) << c.pasos;
    // Autocommit is on again after every write that ends a lock.
    SQLULEN auto_ = 0;
    SQLGetConnectAttr(hdbc(), SQL_ATTR_AUTOCOMMIT, &auto_, 0, nullptr);
    EXPECT_EQ(auto_, SQLULEN(SQL_AUTOCOMMIT_ON)) << c.pasos;
    EXPECT_EQ(PorSql(), c.tabla) << c.pasos;
    EXPECT_EQ(PorArch(), c.tabla) << c.pasos;
    DelArchSQL(a);
    std::string log = entorno.LeeLog();
    if (c.log)
      EXPECT_TRUE(Contiene(log, c.log)) << c.pasos << ": " << log;
    else
      EXPECT_EQ(log, "") << c.pasos;
    std::remove(entorno.log().c_str());
  }
}

}  // namespace
