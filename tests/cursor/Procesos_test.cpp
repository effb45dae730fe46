// Data files shared between processes: row locks and table locks make the others wait, reads
// without a lock never do, and locked read-modify-writes lose no update. Every child is bounded
// by alarm() and the parent waits for it with a deadline.
#include <string>
#include <vector>

#include "Procesos.h"
#include "Tabla.h"

namespace {

class Procesos : public ConBase {
 protected:
  void SetUp() override {
    ConBase::SetUp();
    ASSERT_TRUE(Crea("P", {Texto(4), Numero(10, 0), Texto(4)}, {}));
    Sql("INSERT INTO P VALUES ('a', 10, 'x'); INSERT INTO P VALUES ('b', 0, 'y')");
  }
  // A data file on a connection of the calling process's own.
  struct Propio {
    GrpOdbc* g;
    CnxOdbc* c;
    Arch* a;
    Propio(const char* srv) : g(NvoGrpOdbc()), c(mOdbc(g, srv, "DATOS", "sa", "")),
                              a(c ? NvoArchSQL(c, "P", nullptr, 0, 0, "") : nullptr) {}
    ~Propio() {
      DelArchSQL(a);
      DelGrpOdbc(g);
    }
    int Busca(const char* c1, int bloqueo) {
      a->PonTxtCmp(0, c1);
      return a->Lee(0, 0, 0, bloqueo);
    }
  };
};

// 8 processes add 1 to one field N times each through OperaCmp (N: ZORB_INCREMENTOS, 200 by
// default).
TEST_F(Procesos, LockedIncrementsLoseNoUpdate) {
  int n = 200;
  if (const char* e = getenv("ZORB_INCREMENTOS")) n = atoi(e);
  std::string srv = this->srv();
  std::vector<pid_t> hijos;
  for (int p = 0; p < 8; ++p)
    hijos.push_back(Hijo([&] {
      Propio yo(srv.c_str());
      if (!yo.a || yo.Busca("b", 0) != 1) return 2;
      for (int i = 0; i < n; ++i) yo.a->OperaCmp(1, 1, 1);
      return 0;
    }));
  EXPECT_EQ(Espera(hijos), std::vector<int>(8, 0));
  EXPECT_EQ(SqlValor(hdbc(), "SELECT C2 FROM P WHERE C1 = 'b'"), std::to_string(8 * n));
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

// A child holds record a (a row lock, or the table lock of Bloquea) for 400 ms, then rewrites
// its C3 and lets it go. Meanwhile this process reads it without a lock at once, and its write or
// locking read waits for the child and then sees the child's change. A Graba of the record as
// read before the child's change is a conflict: it changes nothing and logs nothing.
TEST_F(Procesos, LocksMakeOthersWaitUntilTheyEnd) {
  enum Accion { kLeeBloqueando, kSqlLibre, kOperaCmp, kBloquea, kGraba };
  const char* const kNombres[] = {"locking read", "free SQL", "OperaCmp", "Bloquea", "Graba"};
  // What this process does while the child holds the lock: 1 and C3 as it then reads it, or 0
  // for free SQL that succeeded.
  auto Hace = [](Accion e, Propio& yo) -> std::string {
    int r = e == kLeeBloqueando ? yo.Busca("a", 1)
            : e == kSqlLibre ? SqlDirecto(yo.c->hdbc, "UPDATE P SET C2 = C2 + 1 WHERE C1 = 'a'")
            : e == kBloquea  ? yo.a->Bloquea()
            : e == kGraba    ? (yo.a->PonTxtCmp(2, "q"), yo.a->Graba(0))
                             : (yo.a->OperaCmp(1, 1, 1), 1);
    std::string t = e == kSqlLibre ? "" : yo.a->TxtCmp(2, 0);
    if (e == kBloquea) yo.a->Libera();
    return std::to_string(r) + t;
  };
  struct Caso {
    int bloqueo;  // the child's: 1 row lock, 2 Bloquea
    Accion espera;
  } casos[] = {{1, kLeeBloqueando}, {1, kSqlLibre}, {1, kOperaCmp}, {1, kGraba},
               {2, kBloquea},       {2, kSqlLibre}, {2, kOperaCmp}, {2, kGraba}};
  std::string srv = this->srv();
  for (const Caso& c : casos) {
    std::string nombre = std::to_string(c.bloqueo) + " " + kNombres[c.espera];
    Sql("UPDATE P SET C2 = 10, C3 = 'x' WHERE C1 = 'a'");
    Senal tomado;
    pid_t hijo = Hijo([&] {
      Propio yo(srv.c_str());
      if (!yo.a) return 2;
      int r = c.bloqueo == 1 ? yo.Busca("a", 1) : yo.a->Bloquea();
      tomado.Da();
      if (r != 1) return 3;
      usleep(400000);
      yo.a->PonTxtCmp(2, "h");
      yo.a->Graba(1);
      SQLULEN auto_ = 0;
      SQLGetConnectAttr(yo.c->hdbc, SQL_ATTR_AUTOCOMMIT, &auto_, 0, nullptr);
      return auto_ == SQL_AUTOCOMMIT_ON ? 0 : 4;
    });
    {
      Propio yo(srv.c_str());  // opened (after the fork) before the clock starts
      ASSERT_NE(yo.a, nullptr);
      ASSERT_TRUE(tomado.Toma()) << nombre;
      long t0 = Ms();
      EXPECT_EQ(yo.Busca("a", 0), 1) << nombre;
      EXPECT_LT(Ms() - t0, 200) << nombre << ": a read without a lock waited";
      EXPECT_EQ(Hace(c.espera, yo), c.espera == kSqlLibre ? "0" : "1h") << nombre;
      EXPECT_GE(Ms() - t0, 200) << nombre << ": did not wait";
    }
    EXPECT_EQ(Espera({hijo}), std::vector<int>{0}) << nombre;
    Filas f;
    SqlDirecto(hdbc(), "SELECT C1, C2, C3 FROM P WHERE C1 = 'a'", &f);
    ASSERT_EQ(f.size(), 1u);
    std::string r;
    for (std::string v : f[0]) r += (r.empty() ? "" : " ") + v.substr(0, v.find_first_of(" ."));
    EXPECT_EQ(r, c.espera == kSqlLibre || c.espera == kOperaCmp ? "a 11 h" : "a 10 h") << nombre;
  }
  EXPECT_FALSE(Existe(entorno.log())) << entorno.LeeLog();
}

}  // namespace
