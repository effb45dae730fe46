// A small host built against an installed copy of the library: free SQL into its own result object.
#include <cstdio>
#include <string>

#include <zorb/host.h>
#include <zorb/zorb.h>

class Primera : public ResultadoSql {
 public:
  void AbreFila(int) override {}
  void PonCelda(int, int, int, const char* texto) override { valor = texto ? texto : ""; }
  std::string valor;
};

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  Primera r;
  CnxOdbc* cnx = nullptr;
  SentOdbc* sent = nullptr;
  char error[300] = {};
  int n = MacroSQL(5, "SELECT 20 + 22", 0, &r, &cnx, &sent, argv[1], "master", "sa", "", error);
  DelMacroSQL(&cnx, &sent);
  std::printf("%d %s%s\n", n, r.valor.c_str(), error);
  return n < 0;
}
