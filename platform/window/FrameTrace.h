#pragma once
// Timestamps for the benchmarks, opt-in: when QUILLO_TRACE names a file at the start, each
// display tick and each present appends one line to it, on the monotonic clock in nanoseconds:
//   tick-due <show> <ns>     when the tick that draws the show's next picture was due
//   present <window> <ns> <w>x<h>   when a present of the window was handed to the server,
//                                   and the size of the area it presented
// Unset, each call is one test of a pointer.
#include <cstdint>

namespace quillo::frametrace {

void tickDue(int show, std::uint64_t dueNs);
void present(int window, int width, int height);

}  // namespace quillo::frametrace
