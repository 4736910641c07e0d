#pragma once

// One clock per user and session. The clock holds a named mutex in the session's
// Local\ namespace, named after the user, for as long as it runs; a second start finds
// the mutex taken, asks the running clock to come back as a double-click on its tray
// icon would, and ends without touching anything else.

#include <windows.h>

#include "win32/handles.h"

namespace zarn::win32 {

class OneClockMutex {
 public:
  OneClockMutex();
  ~OneClockMutex();
  OneClockMutex(const OneClockMutex&) = delete;
  OneClockMutex& operator=(const OneClockMutex&) = delete;

  // Whether this process is to be the clock. When another clock of the user runs in this
  // session, it is asked to come back and the answer is false. A clock that is still
  // starting is waited for a bounded while; one that ends meanwhile leaves the claim to
  // this process. A mutex that cannot be made at all keeps no clock from starting.
  bool takeOrHandOver();

 private:
  UniqueHandle mutex_;  // the claim, for as long as this process runs
  bool held_ = false;   // this thread owns the mutex
};

}  // namespace zarn::win32
