#pragma once
// An idle manager that locks before suspend (xss-lock) hands the saver a descriptor in
// XSS_SLEEP_LOCK_FD and holds the suspend until it is closed: closing it says "the screen is
// covered".
namespace quillo {

// Takes the descriptor named by XSS_SLEEP_LOCK_FD, if it is open now. Called first in main,
// before the program opens anything of its own.
void claimSleepLock();
// Closes the claimed descriptor, once the first frame is on the screen; later calls do nothing.
void releaseSleepLock();

}  // namespace quillo
