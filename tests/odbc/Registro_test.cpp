// The log record: its exact layout, the clock texts, and appends from many processes at once.
#include <sys/stat.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "Entorno.h"
#include "Procesos.h"
#include "Sql.h"
#include "odbc/Chk.h"
#include "platform/Plataforma.h"

namespace {

// A statement object without a connection: enough to build log records.
struct SentSuelta {
  CnxOdbc cnx{};
  int exito = 0;
  SentOdbc s;
  explicit SentSuelta(const char* opcion = "") : s(&cnx, 1, &exito, opcion) {}
};

class Registro : public ConServidor {
 protected:
  void SetUp() override {
    HoraLocal h{2031, 3, 7, 9, 5, 3};
    FijaHoraLocal(&h);
  }
  void TearDown() override { FijaHoraLocal(nullptr); }
};

TEST_F(Registro, ExactRecordsWithAndWithoutTheOptionLine) {
  SentSuelta x, y("modo=7");
  EXPECT_EQ(x.exito, 0);  // no connection, no handle
  strcpy(x.s.sentencia, "drop table T1");
  strcpy(x.s.sqlState, "S0001");
  strcpy(x.s.mensaje, "[ZORB][Engine]Something went wrong.");
  RegistraError(&x.s, 115, nullptr);
  strcpy(y.s.sentencia, "select 1");
  RegistraError(&y.s, 110, "ARTIC");  // the option line uses the Windows-1252 byte
  EXPECT_EQ(entorno.LeeLog(),
            "====\r\nFecha: 2031-03-07 09:05:03\r\nError SQL 115-S0001-\r\n"
            "[ZORB][Engine]Something went wrong.\r\nSentencia SQL: \r\ndrop table T1\r\n"
            "====\r\nFecha: 2031-03-07 09:05:03\r\nError SQL 110--ARTIC\r\n"
            "\r\nSentencia SQL: \r\nselect 1\r\nOpci\xF3n: modo=7\r\n");
}

TEST_F(Registro, ClockTextsArePaddedToTwoDigits) {
  char hora[9];
  HoraLocal h{987, 12, 31, 23, 59, 0};
  FijaHoraLocal(&h);
  HoraTexto(hora);
  EXPECT_STREQ(hora, "23:59:00");
  SentSuelta x;
  RegistraError(&x.s, 7, "");
  EXPECT_TRUE(Contiene(entorno.LeeLog(), "Fecha: 987-12-31 23:59:00\r\n"));
}

// Success and no data write nothing; an invalid handle leaves the state empty, which only an
// empty ignore text matches. Every judgment starts from a clear state and message.
TEST_F(Registro, ChkSentJudgesTheLastCall) {
  SentSuelta x;
  strcpy(x.s.sentencia, "select * from T");
  const struct { SQLRETURN ret; const char* ignora; int escrito; } casos[] = {
      {SQL_SUCCESS, nullptr, 0}, {SQL_NO_DATA, nullptr, 0}, {SQL_INVALID_HANDLE, "", 0},
      {SQL_INVALID_HANDLE, "S0002", 1}};
  for (const auto& c : casos) {
    strcpy(x.s.sqlState, "42000");
    strcpy(x.s.mensaje, "old");
    x.s.ret = c.ret;
    EXPECT_EQ(ChkSent(&x.s, 110, "T", c.ignora), c.escrito) << c.ret;
    EXPECT_STREQ(x.s.sqlState, "");
    EXPECT_STREQ(x.s.mensaje, "");
    EXPECT_EQ(Existe(entorno.log()), c.escrito == 1) << c.ret;
  }
  EXPECT_TRUE(Contiene(entorno.LeeLog(), "110--T\r\n\r\nSentencia SQL: \r\nselect * from T\r\n"));
}

TEST_F(Registro, UnwritableLogLosesTheRecordQuietly) {
  ASSERT_EQ(mkdir("ZorbLog.txt", 0700), 0);  // a folder where the log should be
  SentSuelta x;
  RegistraError(&x.s, 1, nullptr);  // neither a crash nor a wait
}

// Records appended by many processes at once: none lost, none interleaved.
TEST_F(Registro, ConcurrentAppendsKeepEveryRecordWhole) {
  FijaHoraLocal(nullptr);
  const int kProcesos = 6, kRegistros = 150;
  std::vector<pid_t> hijos;
  for (int p = 0; p < kProcesos; ++p)
    hijos.push_back(Hijo([p] {
      SentSuelta x;
      for (int i = 0; i < kRegistros; ++i) {
        // Sizes from a few bytes to near the whole statement buffer.
        size_t n = (static_cast<size_t>(i) * 997 + p * 131) % (kLonSentencia - 40);
        std::string cuerpo = "P" + std::to_string(p) + "R" + std::to_string(i) + ":";
        cuerpo += std::string(n, static_cast<char>('a' + p));
        strcpy(x.s.sentencia, cuerpo.c_str());
        RegistraError(&x.s, 200 + p, "CTX");
      }
      return 0;
    }));
  ASSERT_EQ(Espera(hijos), std::vector<int>(kProcesos, 0));
  // Record by record: the boundary, then the operation and a statement of one process only.
  std::string log = entorno.LeeLog();
  std::set<std::string> vistos;
  int total = 0;
  for (size_t pos = 0, s, fin; pos < log.size(); pos = fin + 2, ++total) {
    ASSERT_EQ(log.compare(pos, 6, "====\r\n"), 0) << "record boundary at " << pos;
    ASSERT_NE(s = log.find("Sentencia SQL: \r\n", pos), std::string::npos);
    ASSERT_NE(fin = log.find("\r\n", s += 17), std::string::npos);
    std::string sent = log.substr(s, fin - s);
    size_t dos = sent.find(':');
    ASSERT_NE(dos, std::string::npos);
    int p = sent[1] - '0';
    EXPECT_EQ(sent.find_first_not_of(static_cast<char>('a' + p), dos + 1), std::string::npos)
        << "interleaved record " << sent.substr(0, dos);
    const std::string op = "Error SQL " + std::to_string(200 + p) + "--CTX\r\n";
    EXPECT_TRUE(Contiene(log.substr(pos, s - pos), op)) << op;
    vistos.insert(sent.substr(0, dos));
  }
  EXPECT_EQ(total, kProcesos * kRegistros);
  EXPECT_EQ(vistos.size(), static_cast<size_t>(kProcesos * kRegistros)) << "a record was lost";
}

}  // namespace
