// Scripted system calls for the file layer: each call kind takes its next
// outcome from a queue, and runs the real call when the queue is empty.
#pragma once

#include <deque>

namespace kinsheet::testing {

// An outcome: a negative number fails the call with that errno negated; a
// positive one lets the call move at most that many bytes; 0 is the real
// call unchanged.
struct FakeSystemCalls {
  std::deque<long> open, read, write, pwrite, pread, close;
  int write_calls = 0;

  // Installs the script in the file layer until destroyed; one at a time.
  FakeSystemCalls();
  ~FakeSystemCalls();
  FakeSystemCalls(const FakeSystemCalls&) = delete;
  FakeSystemCalls& operator=(const FakeSystemCalls&) = delete;
};

}  // namespace kinsheet::testing
