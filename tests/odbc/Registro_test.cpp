// The log record: its exact layout, the clock texts, and appends from many processes at once.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Entorno.h"
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

TEST_F(Registro, SixLinesWithCrLfAndEmptyContext) {
  SentSuelta x;
  EXPECT_EQ(x.exito, 0);  // no connection, no handle
  strcpy(x.s.sentencia, "drop table T1");
  strcpy(x.s.sqlState, "S0001");
  strcpy(x.s.mensaje, "[ZORB][Engine]Something went wrong.");
  RegistraError(&x.s, 115, nullptr);
  EXPECT_EQ(entorno.LeeLog(),
            "====\r\n"
            "Fecha: 2031-03-07 09:05:03\r\n"
            "Error SQL 115-S0001-\r\n"
            "[ZORB][Engine]Something went wrong.\r\n"
            "Sentencia SQL: \r\n"
            "drop table T1\r\n");
}

TEST_F(Registro, OptionLineUsesTheWindows1252Byte) {
  SentSuelta x("modo=7");
  strcpy(x.s.sentencia, "select 1");
  RegistraError(&x.s, 110, "ARTIC");
  std::string log = entorno.LeeLog();
  EXPECT_NE(log.find("Error SQL 110--ARTIC\r\n\r\nSentencia SQL: \r\nselect 1\r\n"), std::string::npos);
  EXPECT_EQ(log.substr(log.size() - 16), std::string("Opci\xF3n: modo=7\r\n"));
}

TEST_F(Registro, ClockTextsArePaddedToTwoDigits) {
  char hora[9];
  HoraTexto(hora);
  EXPECT_STREQ(hora, "09:05:03");
  HoraLocal h{987, 12, 31, 23, 59, 0};
  FijaHoraLocal(&h);
  HoraTexto(hora);
  EXPECT_STREQ(hora, "23:59:00");
  SentSuelta x;
  RegistraError(&x.s, 7, "");
  EXPECT_NE(entorno.LeeLog().find("Fecha: 987-12-31 23:59:00\r\n"), std::string::npos);
}

TEST_F(Registro, SuccessAndNoDataWriteNothingAndClearTheState) {
  SentSuelta x;
  for (SQLRETURN r : {SQL_SUCCESS, SQL_NO_DATA}) {
    strcpy(x.s.sqlState, "42000");
    strcpy(x.s.mensaje, "old");
    x.s.ret = r;
    EXPECT_EQ(ChkSent(&x.s, 101, nullptr), 0);
    EXPECT_STREQ(x.s.sqlState, "");
    EXPECT_STREQ(x.s.mensaje, "");
  }
  EXPECT_FALSE(Existe(entorno.log()));
}

TEST_F(Registro, InvalidHandleIsLoggedWithEmptyStateAndMessage) {
  SentSuelta x;
  x.s.ret = SQL_INVALID_HANDLE;
  strcpy(x.s.sentencia, "select * from T");
  EXPECT_EQ(ChkSent(&x.s, 110, "T", ""), 0) << "an empty ignore text matches the empty state";
  EXPECT_EQ(ChkSent(&x.s, 110, "T", "S0002"), 1);
  EXPECT_NE(entorno.LeeLog().find("Error SQL 110--T\r\n\r\nSentencia SQL: \r\nselect * from T\r\n"),
            std::string::npos);
}

TEST_F(Registro, TooLongTextIsRefusedAndTheRecordSaysWhy) {
  SentSuelta x;
  std::string largo(kLonSentencia - 1, 'x');
  EXPECT_TRUE(x.s.IniTexto(largo.substr(0, kLonSentencia - 2).c_str()));
  EXPECT_TRUE(x.s.AnexaTexto("y"));  // exactly 5999 characters fit
  EXPECT_EQ(strlen(x.s.sentencia), kLonSentencia - 1);
  EXPECT_FALSE(x.s.AnexaTexto("z"));
  EXPECT_TRUE(x.s.desborde);
  EXPECT_EQ(strlen(x.s.sentencia), kLonSentencia - 1) << "a refused append leaves the text alone";
  EXPECT_EQ(x.s.ExecDirect(), SQL_ERROR);
  EXPECT_EQ(ChkSent(&x.s, 105, "T"), 1);
  EXPECT_NE(entorno.LeeLog().find("Error SQL 105--T\r\nStatement text longer than 5999 characters"),
            std::string::npos);
  EXPECT_TRUE(x.s.IniTexto("select 1"));
  EXPECT_FALSE(x.s.desborde) << "a new text starts clean";
}

TEST_F(Registro, UnwritableLogLosesTheRecordQuietly) {
  ASSERT_EQ(mkdir("ZorbLog.txt", 0700), 0);  // a folder where the log should be
  SentSuelta x;
  RegistraError(&x.s, 1, nullptr);
  SUCCEED();
}

// Records appended by many processes at once: none lost, none interleaved.
TEST_F(Registro, ConcurrentAppendsKeepEveryRecordWhole) {
  FijaHoraLocal(nullptr);
  const int kProcesos = 6, kRegistros = 150;
  std::vector<pid_t> hijos;
  for (int p = 0; p < kProcesos; ++p) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      SentSuelta x;
      for (int i = 0; i < kRegistros; ++i) {
        // Sizes from a few bytes to near the whole statement buffer.
        size_t n = (static_cast<size_t>(i) * 997 + p * 131) % (kLonSentencia - 40);
        std::string cuerpo = "P" + std::to_string(p) + "R" + std::to_string(i) + ":";
        cuerpo += std::string(n, static_cast<char>('a' + p));
        strcpy(x.s.sentencia, cuerpo.c_str());
        RegistraError(&x.s, 200 + p, "CTX");
      }
      _exit(0);
    }
    hijos.push_back(pid);
  }
  for (pid_t h : hijos) {
    int st = 0;
    waitpid(h, &st, 0);
    ASSERT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);
  }
  std::string log = entorno.LeeLog();
  std::map<std::string, int> vistos;
  size_t pos = 0;
  int total = 0;
  while (pos < log.size()) {
    ASSERT_EQ(log.compare(pos, 6, "====\r\n"), 0) << "record boundary at " << pos;
    size_t s = log.find("Sentencia SQL: \r\n", pos);
    ASSERT_NE(s, std::string::npos);
    s += 17;
    size_t fin = log.find("\r\n", s);
    ASSERT_NE(fin, std::string::npos);
    std::string sent = log.substr(s, fin - s);
    size_t dos = sent.find(':');
    ASSERT_NE(dos, std::string::npos);
    int p = sent[1] - '0';
    std::string cuerpo = sent.substr(dos + 1);
    EXPECT_EQ(cuerpo.find_first_not_of(static_cast<char>('a' + p)), std::string::npos)
        << "interleaved record " << sent.substr(0, dos);
    EXPECT_NE(log.substr(pos, s - pos).find("Error SQL " + std::to_string(200 + p) + "--CTX"),
              std::string::npos);
    ++vistos[sent.substr(0, dos)];
    ++total;
    pos = fin + 2;
  }
  EXPECT_EQ(total, kProcesos * kRegistros);
  EXPECT_EQ(vistos.size(), static_cast<size_t>(kProcesos * kRegistros)) << "a record was lost";
}

}  // namespace
