// Making a folder a server of the embedded engine: the one way there is, shared by
// `zorb ping --create` and the tests.
#pragma once
#include <string>

// Asks the driver registered as "SQL Server" to make SERVER (an absolute path or a name under
// its DataRoot) a server. True when it is one afterwards; otherwise `error` says why.
bool CreaServidor(const std::string& servidor, std::string* error = nullptr);
