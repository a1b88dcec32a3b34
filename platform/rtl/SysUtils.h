#pragma once
// Exceptions of the class library: every failure carries a message text that the application's
// default handler shows.

#include <exception>
#include <string>

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const std::string& Message() const { return FMessage; }
  void SetMessage(std::string message) { FMessage = std::move(message); }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// The message of any exception: ours carry one, foreign ones give what().
std::string ExceptionMessage(const std::exception& e);
