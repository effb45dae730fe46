// BASE1, made through the export as a host makes it, and a connection of the test's own to it.
#pragma once
#include <string>

#include "Entorno.h"
#include "Sql.h"
#include "odbc/CnxOdbc.h"
#include "zorb/zorb.h"

class ConBase1 : public ConServidor {
 protected:
  void SetUp() override {
    ASSERT_EQ(NvaBaseD(srv(), "BASE1", nullptr, nullptr), SQL_SUCCESS);
    cnx = NvaCnxOdbc(srv(), "BASE1", "", "");
    ASSERT_NE(cnx, nullptr);
  }
  void TearDown() override { DelCnxOdbc(cnx); }
  const char* srv() const { return entorno.servidor().c_str(); }
  void Sql(const std::string& sql) { ASSERT_TRUE(SQL_SUCCEEDED(SqlDirecto(cnx->hdbc, sql))) << sql; }
  CnxOdbc* cnx = nullptr;
};
