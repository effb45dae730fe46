// Database PRUEBA on a server of the test's own: a connection to master, one to PRUEBA and a
// statement on the latter.
#pragma once
#include "Entorno.h"
#include "Sql.h"
#include "sqltext/Sentencias.h"

class ConPrueba : public ConServidor {
 protected:
  void SetUp() override {
    m = NvaCnxOdbc(srv(), nullptr, nullptr, nullptr);
    ASSERT_NE(m, nullptr) << "no engine server";
    ASSERT_EQ(SqlDirecto(m->hdbc, "CREATE DATABASE PRUEBA"), SQL_SUCCESS);
    cnx = NvaCnxOdbc(srv(), "PRUEBA", nullptr, nullptr);
    ASSERT_NE(cnx, nullptr);
    s = new SentOdbc(cnx, 1, &exito, "");
    ASSERT_EQ(exito, 1);
  }
  void TearDown() override {
    delete s;
    DelCnxOdbc(cnx);
    DelCnxOdbc(m);
  }
  const char* srv() const { return entorno.servidor().c_str(); }

  CnxOdbc *m = nullptr, *cnx = nullptr;
  SentOdbc* s = nullptr;
  int exito = 0;
};
