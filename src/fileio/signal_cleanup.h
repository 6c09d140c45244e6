// The program's one answer to SIGINT, SIGTERM and SIGHUP. What a run leaves
// on disk while it works (temporaries beside outputs, work folders) is
// registered here; a signal removes it and ends the program as the signal
// would, except that a temporary a writer still uses is never pulled from
// under it: the work is asked to stop, and its owner removes it.
#pragma once

#include <string>

namespace kinsheet {

enum class SignalStop {
  // The window: a first signal ends the program at once unless a writer is
  // using a temporary; then the writer is asked to stop, and the program
  // ends as the signal asked once the temporary's owner has removed it.
  kEndAtOnce,
  // The batch tool, whose work watches for a stop throughout: a first
  // signal only asks the work to stop, and the tool ends itself after
  // saying what it stopped.
  kAskTheWork,
};

// Takes SIGINT, SIGTERM and SIGHUP for the rest of the process; the first
// call decides, later ones do nothing. A signal ignored at start (nohup)
// stays ignored. A system call the signal interrupts is not restarted, so
// that a read waiting on a silent pipe returns and its loop sees the stop.
// A second signal always ends the program at once.
void InstallSignalCleanup(SignalStop style);

// The signal that asked the program to stop, 0 for none.
int StopSignal() noexcept;
inline bool StopRequested() noexcept { return StopSignal() != 0; }
// Throws Cancelled once a stop was asked for: for the loops that retry a
// call a signal interrupted.
void ThrowIfStopRequested();

// Removes every registered leftover and ends the program as `sig` does by
// default.
[[noreturn]] void EndAsSignalled(int sig) noexcept;

// Removes what is at `path` with async-signal-safe calls only.
using LeftoverRemover = void (*)(const char* path) noexcept;

// Registers a path for removal by a signal, in storage made in advance
// (a handler may not allocate). A temporary counts as in use by a writer
// until released. Returns the slot, or -1 when the path does not fit
// (then a signal leaves it for the next run's sweep).
int RegisterLeftover(const std::string& path, LeftoverRemover remover, bool temporary);
// The owner has removed the path or made it permanent. When this was the
// last temporary and a stop is pending under kEndAtOnce, the program ends
// here as the signal asked.
void ReleaseLeftover(int slot) noexcept;
// Temporaries registered and not released.
int LiveTemporaryCount() noexcept;
// Removes every registered leftover now (async-signal-safe).
void RemoveLeftoversNow() noexcept;

}  // namespace kinsheet
