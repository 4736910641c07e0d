#include "win32/window_base.h"

#include "win32/system_error.h"

namespace zarn::win32 {

void registerWindowClass(const WNDCLASSEXW& windowClass) {
  if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw lastErrorFailure("RegisterClassExW");
  }
}

}  // namespace zarn::win32
