// The connection group as a host uses it, through the exported functions.
#include <cstdlib>
#include <string>

#include "Entorno.h"
#include "zorb/zorb.h"

namespace {

class Grupo : public ConServidor {
 protected:
  void SetUp() override { grupo = NvoGrpOdbc(); }
  void TearDown() override { DelGrpOdbc(grupo); }
  const char* srv() { return entorno.servidor().c_str(); }
  GrpOdbc* grupo = nullptr;
};

TEST_F(Grupo, SamePairGivesTheSameConnectionWhateverTheLogin) {
  CnxOdbc* a = mOdbc(grupo, srv(), "", nullptr, nullptr);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(mOdbc(grupo, srv(), "", "sa", ""), a);
  EXPECT_EQ(mOdbc(grupo, srv(), "", "nobody", "wrong"), a) << "the login is not part of the key";
  EXPECT_EQ(mOdbc(grupo, srv(), "master", nullptr, nullptr) == a, false)
      << "\"\" and \"master\" are different texts, so different entries";
}

TEST_F(Grupo, AnotherDatabaseOrServerSpellingGivesAnotherConnection) {
  CnxOdbc* master = mOdbc(grupo, srv(), "master", "", "");
  ASSERT_NE(master, nullptr);
  // A second spelling of the same folder is another entry of the group.
  std::string otro = entorno.servidor() + "/.";
  CnxOdbc* otra = mOdbc(grupo, otro.c_str(), "master", "", "");
  EXPECT_NE(otra, master);
}

TEST_F(Grupo, FailedPairsKeepAnsweringNull) {
  std::string nohay = entorno.raiz() + "/no-such-server";
  EXPECT_EQ(mOdbc(grupo, nohay.c_str(), "master", "", ""), nullptr);
  EXPECT_EQ(mOdbc(grupo, srv(), "nodb", "", ""), nullptr);
  EXPECT_EQ(mOdbc(grupo, srv(), "master", "sa", "bad password"), nullptr);
  // Once failed, a pair is not tried again, even when it could now succeed.
  EXPECT_EQ(mOdbc(grupo, srv(), "master", "sa", ""), nullptr);
  EXPECT_EQ(mOdbc(grupo, nohay.c_str(), "master", "", ""), nullptr);
  EXPECT_FALSE(Existe(entorno.log())) << "connection failures are not logged";
}

TEST(GrupoNulo, ReleasingNullDoesNothing) {
  DelGrpOdbc(nullptr);
  GrpOdbc* g = NvoGrpOdbc();
  ASSERT_NE(g, nullptr);
  DelGrpOdbc(g);  // an empty group
}

TEST_F(Grupo, ManyEntriesStayDistinct) {
  std::vector<CnxOdbc*> vistos;
  for (int i = 0; i < 6; ++i) {
    std::string srv_i = entorno.servidor() + std::string(i, '/');
    CnxOdbc* c = mOdbc(grupo, srv_i.c_str(), "", "", "");
    ASSERT_NE(c, nullptr) << i;
    for (CnxOdbc* v : vistos) EXPECT_NE(v, c);
    vistos.push_back(c);
  }
  for (int i = 0; i < 6; ++i) {
    std::string srv_i = entorno.servidor() + std::string(i, '/');
    EXPECT_EQ(mOdbc(grupo, srv_i.c_str(), "", "", ""), vistos[i]);
  }
}

}  // namespace
