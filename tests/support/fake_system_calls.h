// Scripted system calls for the file layer: each call kind takes its next
// outcome from a queue, and runs the real call when the queue is empty.
// Every call is also logged, so that a test can check their order.
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace kinsheet::testing {

// One call made: its name, the descriptor it used or got (-1 for none) and
// the path it named (empty for none).
struct LoggedCall {
  std::string name;
  int fd = -1;
  std::string path;
};

// An outcome: a negative number fails the call with that errno negated; a
// positive one lets the call move at most that many bytes; 0 is the real
// call unchanged.
struct FakeSystemCalls {
  std::deque<long> open, read, write, pwrite, pread, close, rename, fsync, fchmod, fchown, unlink, access;
  int write_calls = 0;
  std::vector<LoggedCall> log;

  // Installs the script in the file layer until destroyed; one at a time.
  FakeSystemCalls();
  ~FakeSystemCalls();
  FakeSystemCalls(const FakeSystemCalls&) = delete;
  FakeSystemCalls& operator=(const FakeSystemCalls&) = delete;
};

}  // namespace kinsheet::testing
