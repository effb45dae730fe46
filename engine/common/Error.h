// The one error type of the engine: an SQLSTATE, SQL Server's native number and a message.
#pragma once
#include <stdexcept>
#include <string>

namespace engine {

class EngineError : public std::runtime_error {
 public:
  EngineError(std::string state, long native, const std::string& message)
      : std::runtime_error(message), state_(std::move(state)), native_(native) {}
  const std::string& state() const { return state_; }
  long native() const { return native_; }

 private:
  std::string state_;
  long native_;
};

// A warning collected while a statement runs (USE's 5701, truncations...).
struct Notice {
  std::string state;
  long native = 0;
  std::string message;
};

// Common errors with SQL Server's texts.
EngineError SyntaxError(const std::string& near);  // 42000, 102
EngineError NotImplemented(const std::string& what);  // HYC00

}  // namespace engine
