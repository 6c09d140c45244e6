// The handler of the three ending signals and the registry it reads. A
// handler reaches nothing but globals: the registry is fixed slots of plain
// memory with atomic states, read without locks or allocation.
#include "fileio/signal_cleanup.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "ui/window_services.h"

namespace kinsheet {
namespace {

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Each live temporary and each work folder of this process holds a slot.
constexpr int kSlots = 48;
constexpr std::size_t kSlotPath = 4096;
enum SlotState : int { kFree = 0, kFilling = 1, kLive = 2 };

struct Slot {
  std::atomic<int> state{kFree};
  LeftoverRemover remover = nullptr;
  bool temporary = false;
  char path[kSlotPath] = {};
};

Slot g_slots[kSlots];  // NOLINT: the handler reaches them only as globals
std::atomic<int> g_stop{0};
std::atomic<int> g_style{-1};  // -1 until installed
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnEndingSignal(int sig) {
  const int saved_errno = errno;
  int expected = 0;
  if (g_stop.compare_exchange_strong(expected, sig)) {
    // The first signal: the work is asked to stop where a writer may be
    // using a temporary; unlinking it then would leave the writer writing
    // to a file nobody can see, reporting a "failure" that is none.
    if (g_style.load() == static_cast<int>(SignalStop::kAskTheWork) || LiveTemporaryCount() > 0) {
      errno = saved_errno;
      return;
    }
  }
  EndAsSignalled(sig);
}

extern "C" void OnExit() { RemoveLeftoversNow(); }

}  // namespace

void InstallSignalCleanup(SignalStop style) {
  int none = -1;
  if (!g_style.compare_exchange_strong(none, static_cast<int>(style))) return;
  for (int sig : kEndingSignals) {
    struct sigaction current {};
    if (::sigaction(sig, nullptr, &current) != 0) continue;
    // A signal the process was started ignoring (nohup) stays ignored.
    if (current.sa_handler == SIG_IGN && (current.sa_flags & SA_SIGINFO) == 0) continue;
    struct sigaction ours {};
    ours.sa_handler = OnEndingSignal;
    ours.sa_flags = 0;  // no SA_RESTART: a blocked read returns EINTR
    ::sigemptyset(&ours.sa_mask);
    for (int s : kEndingSignals) ::sigaddset(&ours.sa_mask, s);
    ::sigaction(sig, &ours, nullptr);
  }
  std::atexit(OnExit);
}

int StopSignal() noexcept { return g_stop.load(); }

void ThrowIfStopRequested() {
  if (StopRequested()) throw Cancelled();
}

void EndAsSignalled(int sig) noexcept {
  RemoveLeftoversNow();
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  ::sigemptyset(&fallback.sa_mask);
  ::sigaction(sig, &fallback, nullptr);
  sigset_t unblock;
  ::sigemptyset(&unblock);
  ::sigaddset(&unblock, sig);
  ::pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
  ::raise(sig);
  ::_exit(128 + sig);  // not reached: the default action of these signals ends the process
}

int RegisterLeftover(const std::string& path, LeftoverRemover remover, bool temporary) {
  if (path.size() >= kSlotPath) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (g_slots[i].state.compare_exchange_strong(expected, kFilling)) {
      g_slots[i].remover = remover;
      g_slots[i].temporary = temporary;
      std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
      g_slots[i].state.store(kLive);
      return i;
    }
  }
  return -1;
}

void ReleaseLeftover(int slot) noexcept {
  if (slot < 0 || slot >= kSlots) return;
  const bool temporary = g_slots[slot].temporary;
  g_slots[slot].state.store(kFree);
  // The writer has stopped and its temporary is gone: the signal that was
  // held back for it takes effect now.
  const int sig = g_stop.load();
  if (temporary && sig != 0 && g_style.load() == static_cast<int>(SignalStop::kEndAtOnce) &&
      LiveTemporaryCount() == 0) {
    EndAsSignalled(sig);
  }
}

int LiveTemporaryCount() noexcept {
  int live = 0;
  for (const Slot& slot : g_slots) {
    if (slot.state.load() == kLive && slot.temporary) ++live;
  }
  return live;
}

void RemoveLeftoversNow() noexcept {
  for (Slot& slot : g_slots) {
    if (slot.state.load() == kLive && slot.remover != nullptr) slot.remover(slot.path);
  }
}

}  // namespace kinsheet
