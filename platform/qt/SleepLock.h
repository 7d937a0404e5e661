#pragma once
// An idle manager that locks before suspend (xss-lock) hands the saver a descriptor in
// XSS_SLEEP_LOCK_FD and holds the suspend until it is closed: closing it says "the screen is
// covered". Called once the first frame is on the screen; later calls do nothing.
namespace quillo {

void releaseSleepLock();

}  // namespace quillo
