// The driver's setup entry: SQLConfigDriver(ODBC_CONFIG_DRIVER, "SQL Server",
// "CreateServer=<SERVER text>") makes a folder a server. Connections never do: a folder becomes
// a server only when asked for it this way.
#include "odbc/Api.h"

#include <cstring>
#include <string>

#include "common/Error.h"
#include "common/Text.h"
#include "store/Server.h"

namespace {

const char kCreateServer[] = "CREATESERVER=";

std::string DataRoot(const char* driver) {
  char buf[4096] = "";
  SQLGetPrivateProfileString(driver && *driver ? driver : "SQL Server", "DataRoot", "", buf,
                             sizeof buf, "ODBCINST.INI");
  buf[sizeof buf - 1] = '\0';
  std::string root = engine::Trim(buf);
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

BOOL Message(LPSTR msg, WORD max, WORD* out, const std::string& text) {
  if (out) *out = WORD(text.size() > 0xffff ? 0xffff : text.size());
  if (msg && max > 0) {
    size_t n = text.size() < size_t(max) ? text.size() : size_t(max) - 1;
    std::memcpy(msg, text.data(), n);
    msg[n] = '\0';
  }
  return 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) BOOL INSTAPI ConfigDriver(
    HWND, WORD request, LPCSTR driver, LPCSTR args, LPSTR msg, WORD msgMax, WORD* msgOut) {
  if (msgOut) *msgOut = 0;
  if (msg && msgMax > 0) msg[0] = '\0';
  if (request == ODBC_INSTALL_DRIVER || request == ODBC_REMOVE_DRIVER) return 1;
  std::string a = args ? args : "";
  if (request != ODBC_CONFIG_DRIVER || engine::Upper(a.substr(0, sizeof kCreateServer - 1)) !=
                                           kCreateServer)
    return Message(msg, msgMax, msgOut, "Unknown driver request.");
  try {
    engine::store::Server::Create(a.substr(sizeof kCreateServer - 1), DataRoot(driver));
    return 1;
  } catch (const std::exception& e) {
    return Message(msg, msgMax, msgOut, e.what());
  }
}
