// The connection group as a host uses it, through the exported functions.
#include <string>
#include <vector>

#include "Entorno.h"
#include "zorb/zorb.h"

namespace {

class Grupo : public ConServidor {
 protected:
  void SetUp() override { grupo = NvoGrpOdbc(); }
  void TearDown() override { DelGrpOdbc(grupo); }
  CnxOdbc* Cnx(const std::string& srv, const char* base, const char* usr = "",
               const char* pwd = "") {
    return mOdbc(grupo, srv.c_str(), base, usr, pwd);
  }
  GrpOdbc* grupo = nullptr;
};

// The key is the pair of texts as given: the login is not part of it, and another spelling of
// the same server or database is another entry.
TEST_F(Grupo, OneConnectionPerServerAndDatabaseText) {
  const std::string srv = entorno.servidor();
  CnxOdbc* a = Cnx(srv, "", nullptr, nullptr);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(Cnx(srv, "", "sa", ""), a);
  EXPECT_EQ(Cnx(srv, "", "nobody", "wrong"), a);
  std::vector<CnxOdbc*> vistos = {a, Cnx(srv, "master")};
  for (int i = 1; i < 6; ++i) vistos.push_back(Cnx(srv + std::string(i, '/'), ""));
  vistos.push_back(Cnx(srv + "/.", ""));
  for (size_t i = 0; i < vistos.size(); ++i) {
    ASSERT_NE(vistos[i], nullptr) << i;
    for (size_t k = 0; k < i; ++k) EXPECT_NE(vistos[k], vistos[i]) << k << " " << i;
  }
  for (int i = 1; i < 6; ++i) EXPECT_EQ(Cnx(srv + std::string(i, '/'), ""), vistos[i + 1]);
}

TEST_F(Grupo, FailedPairsKeepAnsweringNull) {
  const std::string srv = entorno.servidor(), nohay = entorno.raiz() + "/no-such-server";
  EXPECT_EQ(Cnx(nohay, "master"), nullptr);
  EXPECT_EQ(Cnx(srv, "nodb"), nullptr);
  EXPECT_EQ(Cnx(srv, "master", "sa", "bad password"), nullptr);
  // Once failed, a pair is not tried again, even when it could now succeed.
  EXPECT_EQ(Cnx(srv, "master", "sa", ""), nullptr);
  EXPECT_EQ(Cnx(nohay, "master"), nullptr);
  EXPECT_FALSE(Existe(entorno.log())) << "connection failures are not logged";
  DelGrpOdbc(nullptr);
}

}  // namespace
