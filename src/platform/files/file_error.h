// How every part of the program that reads or writes a file the user named says what went wrong:
// the stage it failed at, and the system's own error code, or the program's own reason where it
// refused the file itself. Callers put the file's name and their own words around it.
#pragma once

#include <string>
#include <system_error>
#include <utility>
#include <variant>

namespace kestrine {

class FileError {
 public:
  enum class Stage {
    kRefused,  // the file is none this program reads or writes; nothing was opened or created
    kOpen,     // the file could not be opened for reading
    kRead,     // the open file could not be read
    kCreate,   // the folder could not be opened or the new file not be created
    kWrite,    // the new file could not be written, flushed or renamed over the target
  };

  // The system refused, with its error code.
  FileError(Stage stage, std::error_code code) : stage_(stage), code_(code) {}
  // The program refused, for the reason given (a sentence fragment without the file's name).
  FileError(Stage stage, std::string reason) : stage_(stage), reason_(std::move(reason)) {}

  Stage stage() const { return stage_; }
  // The system's error; empty where the program itself refused.
  std::error_code code() const { return code_; }
  // Why, as a sentence fragment without the file's name: the system's text for its error code,
  // or the program's own reason.
  std::string Reason() const { return code_ ? code_.message() : reason_; }
  // The same error, told as one of another stage.
  FileError AtStage(Stage stage) const {
    FileError error = *this;
    error.stage_ = stage;
    return error;
  }

 private:
  Stage stage_;
  std::error_code code_;
  std::string reason_;
};

// The value a file operation gives, or the error that kept it from giving one.
template <typename T>
class FileResult {
 public:
  FileResult(T value) : result_(std::move(value)) {}          // NOLINT: a value is a result
  FileResult(FileError error) : result_(std::move(error)) {}  // NOLINT: so is an error

  explicit operator bool() const { return std::holds_alternative<T>(result_); }
  T& operator*() { return std::get<T>(result_); }
  const T& operator*() const { return std::get<T>(result_); }
  T* operator->() { return &std::get<T>(result_); }
  const T* operator->() const { return &std::get<T>(result_); }
  // Only for a result that holds no value.
  const FileError& error() const { return std::get<FileError>(result_); }

 private:
  std::variant<T, FileError> result_;
};

}  // namespace kestrine
