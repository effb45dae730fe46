#pragma once
#include <string>
#include <vector>

#include "zorb/host.h"
#include "zorb/zorb.h"

int CmdPing(int argc, char** argv);
int CmdSql(int argc, char** argv);
int CmdDriver(int argc, char** argv);
int CmdRepair(int argc, char** argv);
int CmdTables(int argc, char** argv);
int CmdDump(int argc, char** argv);
int CmdRestructure(int argc, char** argv);

// The sqlcmd-like connection flags of the data-file commands.
struct Conexion {
  const char* servidor = nullptr;
  const char* base = nullptr;
  const char* usuario = "";
  const char* clave = "";
};
// Takes -S, -d, -U or -P at argv[*i] with its value: 1 taken, 0 not one of them, -1 the value
// is missing (said on standard error).
int OpcionConexion(const char* cmd, int argc, char** argv, int* i, Conexion* c);
// True, said on standard error, when -S or -d was not given.
bool FaltaConexion(const char* cmd, const Conexion& c);

// A table opened as a host opens a data file: a connection group and NvoArchSQL.
struct Archivo {
  GrpOdbc* grupo = nullptr;
  Arch* arch = nullptr;
  ~Archivo();
  // 0 open; 1, said on standard error, when there is no connection or no such table.
  int Abre(const char* cmd, const Conexion& c, const char* tabla);
};
// The keys of the table as its cursor found them: "1:(C1) 2:(C3,C1)".
std::string TextoClaves(Arch* a);
// Runs a statement through MacroSQL on a connection of its own; its rows as texts. False when it
// could not be run or failed.
bool Consulta(const Conexion& c, const char* sql, std::vector<std::vector<std::string>>* filas);
// Rows under a header, columns aligned and separated by " | ".
void ImprimeColumnas(const std::vector<std::string>& cab,
                     const std::vector<std::vector<std::string>>& filas);


// Names of the columns the statement returns, from the driver; empty when it cannot tell.
std::vector<std::string> NombresColumnas(const std::string& servidor, const std::string& base,
                                         const std::string& usuario, const std::string& clave,
                                         std::string sql);
