#pragma once
#include <string>
#include <vector>

int CmdPing(int argc, char** argv);
int CmdSql(int argc, char** argv);
int CmdDriver(int argc, char** argv);
int CmdRepair(int argc, char** argv);


// Names of the columns the statement returns, from the driver; empty when it cannot tell.
std::vector<std::string> NombresColumnas(const std::string& servidor, const std::string& base,
                                         const std::string& usuario, const std::string& clave,
                                         std::string sql);
