// Error values for every platform call: an errno-style code and a message that
// names the operation and the path. Nothing in the logic throws.
#pragma once

#include <cerrno>
#include <string>
#include <string_view>
#include <utility>

// Codes of the contract that Windows' C library lacks, with Linux's values.
#ifndef ESTALE
#define ESTALE 116
#endif
#ifndef EDQUOT
#define EDQUOT 122
#endif

namespace tarnwell::platform {

class Status final {
 public:
  Status() = default;  // success

  static Status Ok() { return Status(); }
  // code is an errno value (never 0 for an error).
  static Status Error(int code, std::string message) { return Status(code, std::move(message)); }
  // "operation 'path': strerror(code)".
  static Status FromErrno(int code, std::string_view operation, std::string_view path);

  bool ok() const { return code_ == 0; }
  int code() const { return code_; }
  const std::string& message() const { return message_; }

 private:
  Status(int code, std::string message) : code_(code), message_(std::move(message)) {}
  int code_ = 0;
  std::string message_;
};

// "operation 'path': ", or "operation: " without a path: how every message
// of a failed call starts.
inline std::string OperationPrefix(std::string_view operation, std::string_view path) {
  std::string message(operation);
  if (!path.empty()) {
    message += " '";
    message += path;
    message += "'";
  }
  message += ": ";
  return message;
}

// A value or the error that prevented it.
template <typename T>
class Result final {
 public:
  Result(T value) : value_(std::move(value)) {}          // NOLINT: implicit on purpose
  Result(Status status) : status_(std::move(status)) {}  // NOLINT
  bool ok() const { return status_.ok(); }
  const Status& status() const { return status_; }
  T& value() { return value_; }
  const T& value() const { return value_; }
  T& operator*() { return value_; }
  const T& operator*() const { return value_; }
  T* operator->() { return &value_; }
  const T* operator->() const { return &value_; }

 private:
  T value_{};
  Status status_;
};

}  // namespace tarnwell::platform
