#include "win32_dpi.h"

namespace kestrine {

namespace {

template <typename Function>
Function User32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleA("user32.dll");
  if (user32 == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

}  // namespace

UINT SystemDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT WindowDpi(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (get_dpi_for_window != nullptr && window != nullptr) {
    const UINT dpi = get_dpi_for_window(window);
    if (dpi > 0) return dpi;
  }
  return SystemDpi();
}

SIZE FrameSizeForClient(int client_width, int client_height, DWORD style, UINT dpi) {
  using AdjustForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjust_for_dpi =
      User32Function<AdjustForDpiFunction>("AdjustWindowRectExForDpi");
  RECT frame{0, 0, client_width, client_height};
  if (adjust_for_dpi == nullptr || !adjust_for_dpi(&frame, style, FALSE, 0, dpi)) {
    frame = RECT{0, 0, client_width, client_height};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
  }
  return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

bool BecomePerMonitorDpiAware() {
  using SetContextFunction = BOOL(WINAPI*)(HANDLE);
  const auto set_context = User32Function<SetContextFunction>("SetProcessDpiAwarenessContext");
  if (set_context == nullptr) return false;
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, then the first version of it.
  return set_context(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))) != FALSE ||
         set_context(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3))) != FALSE;
}

}  // namespace kestrine
