// Errors that end the current action and reach the top-level handler, which shows their text.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "drive_number.h"  // EConvertError
#include "message_format.h"
#include "toolkit.h"

namespace kestrine {

// A file that could not be created.
class EFCreateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The top-level handler every event goes through: an error that escapes the handler is shown in
// a message box and the program returns to its loop.
void RunGuarded(Application& app, const std::function<void()>& handler);

}  // namespace kestrine
