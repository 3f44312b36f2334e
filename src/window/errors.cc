#include "errors.h"

namespace kestrine {

void RunGuarded(Application& app, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    app.ShowMessage(error.what());
  }
}

}  // namespace kestrine
