// A restructuring killed at any moment loses nothing: a child runs AjtCmpsSQL and is killed with
// SIGKILL at a random moment of its run; after CorrigeIndices (and the restructuring again where
// the table went missing) the table has its name, its indexes and every record exactly once, in
// the old or the new layout. Every child is bounded by alarm(), every wait by a deadline.
#include <algorithm>
#include <random>
#include <string>

#include "Base1.h"
#include "Procesos.h"

namespace {

constexpr int kRegistros = 2000;
constexpr int kCorridas = 50;

// Layout A: code, number, name; keys (C1) and (C3, C1). Layout B: a field more, keys (C1) and
// (C2, C1).
const unsigned short kCamposA[] = {0x0800, 0x0902, 0x1400};
const int kClavesA[] = {2, 1, 1, 2, 3, 1};
const unsigned short kCamposB[] = {0x0800, 0x0902, 0x1400, 0x0500};
const int kClavesB[] = {2, 1, 1, 2, 2, 1};

class ReestructuraMuerte : public ConBase1 {
 protected:
  // Runs the restructuring to the layout with `n` fields in a child; kills it after `ms`
  // milliseconds (never when ms < 0). Its exit code, or -SIGKILL when it was killed.
  int Corre(int n, long ms) {
    pid_t pid = Hijo([&] {
      int cabecera[8] = {};
      cabecera[5] = n;
      AjtCmpsSQL(srv(), "BASE1", "T", n == 3 ? kCamposA : kCamposB, n == 3 ? kClavesA : kClavesB,
                 cabecera, nullptr, nullptr, 0, 0, 0);
      return 0;
    });
    if (pid < 0) return -1000;
    long fin = Ms() + kPlazoHijos * 1000L, matar = ms >= 0 ? Ms() + ms : -1;
    int st = 0;
    while (waitpid(pid, &st, WNOHANG) != pid) {
      if (Ms() > fin || (matar >= 0 && Ms() >= matar)) {
        kill(pid, SIGKILL);
        waitpid(pid, &st, 0);
        break;
      }
      usleep(500);
    }
    return WIFEXITED(st) ? WEXITSTATUS(st) : -WTERMSIG(st);
  }

  // Field count of T (0 when it is missing), with every check of its records and indexes.
  int Comprueba(int corrida) {
    Filas f, ind;
    int campos = 0;
    if (SQL_SUCCEEDED(SqlDirecto(cnx->hdbc, "select * from T order by C1", &f))) {
      campos = f.empty() ? 0 : int(f[0].size());
      EXPECT_EQ(f.size(), size_t(kRegistros)) << "run " << corrida;
      for (size_t i = 0; i < f.size() && i < size_t(kRegistros); ++i) {
        char clave[16];
        snprintf(clave, sizeof clave, "K%05zu  ", i);
        if (f[i][0] != clave || atoi(f[i][1].c_str()) != int(i)) {
          ADD_FAILURE() << "run " << corrida << ": row " << i << " is " << f[i][0] << ","
                        << f[i][1];
          break;
        }
      }
      SqlDirecto(cnx->hdbc, "sp_helpindex T", &ind);
      EXPECT_EQ(ind.size(), 2u) << "run " << corrida;
      for (size_t k = 0; k < ind.size(); ++k)
        EXPECT_EQ(ind[k][0], k == 0 ? "T_indent" : "T_indent2") << "run " << corrida;
    }
    return campos;
  }
};

TEST_F(ReestructuraMuerte, KilledAtAnyMomentLosesNoRecord) {
  std::string sql = "create table T (C1 char(8) NULL, C2 dec(9,0) NULL, C3 char(20) NULL); "
                    "create index T_indent on T (C1); create index T_indent2 on T (C3, C1)";
  for (int i = 0; i < kRegistros; ++i) {
    char fila[80];
    snprintf(fila, sizeof fila, "; insert into T values ('K%05d', %d, 'name %d')", i, i,
             i * 7919 % 1000);
    sql += fila;
  }
  SQLSetConnectAttr(cnx->hdbc, SQL_ATTR_AUTOCOMMIT, (SQLPOINTER)SQL_AUTOCOMMIT_OFF, 0);
  EXPECT_EQ(SqlDirecto(cnx->hdbc, sql), SQL_SUCCESS);
  SQLEndTran(SQL_HANDLE_DBC, cnx->hdbc, SQL_COMMIT);
  SQLSetConnectAttr(cnx->hdbc, SQL_ATTR_AUTOCOMMIT, (SQLPOINTER)SQL_AUTOCOMMIT_ON, 0);

  // Two whole runs, one each way, set the span over which the kills are spread.
  long duracion = 0;
  for (int n : {4, 3}) {
    long t0 = Ms();
    ASSERT_EQ(Corre(n, -1), 0);
    duracion = std::max(duracion, Ms() - t0);
    ASSERT_EQ(Comprueba(0), n);
  }

  std::mt19937 azar(std::random_device{}());
  int viejo = 0, nuevo = 0, muertos = 0, rehechos = 0, antes = 3;
  for (int corrida = 1; corrida <= kCorridas && !HasFailure(); ++corrida) {
    int destino = antes == 3 ? 4 : 3;
    // Odd runs anywhere in the run and a little past it; even runs around its end, where the
    // table is replaced.
    long ms = corrida % 2 ? long(azar() % unsigned(duracion * 6 / 5 + 1))
                          : duracion * 9 / 10 + long(azar() % unsigned(duracion / 5 + 1));
    long t0 = Ms();
    if (Corre(destino, ms) == -SIGKILL) {
      ++muertos;
      if (ms > duracion) duracion = ms;  // the machine got slower: follow it
    } else {
      duracion = (duracion * 3 + Ms() - t0) / 4;
    }
    CorrigeIndices(srv(), "BASE1", nullptr, nullptr);
    int campos = Comprueba(corrida);
    if (campos == 0) {  // the table went missing: the next restructuring brings its copy back
      ++rehechos;
      EXPECT_EQ(Corre(destino, -1), 0);
      campos = Comprueba(corrida);
    }
    EXPECT_TRUE(campos == antes || campos == destino) << "run " << corrida << ": " << campos;
    (campos == antes ? viejo : nuevo)++;
    antes = campos;
  }
  std::printf("%d runs of about %ld ms: %d killed, %d kept the old layout, %d reached the new "
              "one, %d restructured again\n",
              kCorridas, duracion, muertos, viejo, nuevo, rehechos);
  EXPECT_GT(viejo, 0);
  EXPECT_GT(nuevo, 0);
}

}  // namespace
