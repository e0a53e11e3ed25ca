#include "platform/console/console.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

#include "platform/console/keydecode.h"

namespace {

// How long the rest of an escape sequence may take to arrive after its ESC;
// past that, a lone ESC is the Esc key.
constexpr std::chrono::milliseconds kSequenceWait{40};

constexpr std::array kEndSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The settings found at start, written once before any handler can read them.
termios saved_termios{};
std::atomic<bool> have_saved_termios{false};
static_assert(std::atomic<bool>::is_always_lock_free, "read from a signal handler");

bool initialized = false;

void RestoreSignalSafe() {
  if (!have_saved_termios.load()) return;
  const int saved_errno = errno;
  // A background process writing the settings would be stopped by SIGTTOU.
  sigset_t ttou;
  sigset_t old_mask;
  sigemptyset(&ttou);
  sigaddset(&ttou, SIGTTOU);
  pthread_sigmask(SIG_BLOCK, &ttou, &old_mask);
  tcsetattr(STDIN_FILENO, TCSANOW, &saved_termios);
  pthread_sigmask(SIG_SETMASK, &old_mask, nullptr);
  errno = saved_errno;
}

void OnEndSignal(int sig) {
  RestoreSignalSafe();
  struct sigaction action{};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(sig, &action, nullptr);
  // Delivered with the default action once this handler returns and unblocks it.
  raise(sig);
}

void InstallSignalHandlers() {
  for (int sig : kEndSignals) {
    struct sigaction old_action{};
    sigaction(sig, nullptr, &old_action);
    // A signal ignored at start (nohup, a background job of a script) stays ignored.
    if (old_action.sa_handler == SIG_IGN) continue;
    struct sigaction action{};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    for (int other : kEndSignals) sigaddset(&action.sa_mask, other);
    sigaction(sig, &action, nullptr);
  }
}

// Waits until stdin can be read (or has hung up) or `timeout` ran out.
bool WaitReadable(std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    const int ready = poll(&fd, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
    if (ready > 0) return true;
    if (ready == 0) return false;
    if (errno != EINTR) return true;  // the read that follows meets the error
  }
}

// False when poll itself fails.
bool WaitReadableForever() {
  for (;;) {
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    if (poll(&fd, 1, -1) >= 0) return true;
    if (errno != EINTR) return false;
  }
}

// Bytes read from stdin and codes decoded from them, not yet given out.
class KeyInput {
 public:
  // Set once by ConsoleInit: stdin is a terminal, so bytes go through DecodeKey.
  void SetDecoding() { decoding_ = true; }

  // Blocks until a code is pending; false when the input has ended and no code
  // is left.
  bool FillPending();
  bool HasPending() const { return pending_length_ > 0; }
  unsigned char TakePending() {
    --pending_length_;
    return pending_[pending_head_++];
  }

 private:
  void Read();
  void Use(std::size_t count);
  void SetPending(std::array<unsigned char, 2> codes, int count) {
    pending_ = codes;
    pending_head_ = 0;
    pending_length_ = static_cast<std::size_t>(count);
  }

  bool decoding_ = false;
  // At least kMaxKeySequence, so a sequence still open (NeedMore) always has
  // room to grow.
  std::array<unsigned char, 2 * kMaxKeySequence> input_{};
  std::size_t input_length_ = 0;
  bool input_ended_ = false;  // read gave end of input or an error
  // The second code of a two-code key waits here for the next read.
  std::array<unsigned char, 2> pending_{};
  std::size_t pending_head_ = 0;
  std::size_t pending_length_ = 0;
};

// Appends what stdin has to the input, waiting for at least one byte.
void KeyInput::Read() {
  for (;;) {
    const ssize_t got =
        read(STDIN_FILENO, input_.data() + input_length_, input_.size() - input_length_);
    if (got > 0) {
      input_length_ += static_cast<std::size_t>(got);
      return;
    }
    if (got < 0 && errno == EINTR) continue;
    // stdin left non-blocking by someone else.
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitReadableForever()) continue;
    input_ended_ = true;
    return;
  }
}

void KeyInput::Use(std::size_t count) {
  std::memmove(input_.data(), input_.data() + count, input_length_ - count);
  input_length_ -= count;
}

bool KeyInput::FillPending() {
  while (pending_length_ == 0) {
    if (input_length_ == 0) {
      if (input_ended_) return false;
      Read();
      continue;
    }
    if (!decoding_) {
      SetPending({input_[0], 0}, 1);
      Use(1);
      break;
    }
    const std::span<const unsigned char> bytes(input_.data(), input_length_);
    KeyDecode key = DecodeKey(bytes, input_ended_);
    if (key.kind == KeyDecode::Kind::NeedMore) {
      if (WaitReadable(kSequenceWait)) {
        Read();
        continue;
      }
      key = DecodeKey(bytes, true);
    }
    SetPending(key.codes, key.count);
    Use(static_cast<std::size_t>(key.consumed));
  }
  return true;
}

KeyInput key_input;
bool eof_given = false;

}  // namespace

void ConsoleRestore() { RestoreSignalSafe(); }

void ConsoleInit() {
  if (initialized) return;
  initialized = true;
  InstallSignalHandlers();
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved_termios) != 0) return;
  have_saved_termios.store(true);
  key_input.SetDecoding();
  std::atexit(ConsoleRestore);

  termios keys = saved_termios;
  keys.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON);
  keys.c_cc[VMIN] = 1;
  keys.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &keys);
}

int ConsoleReadKey() {
  std::fflush(stdout);
  if (eof_given || !key_input.FillPending()) {
    eof_given = true;
    return kConsoleEof;
  }
  return key_input.TakePending();
}

bool ConsoleKeyWaiting() {
  std::fflush(stdout);
  if (key_input.HasPending()) return true;
  if (eof_given) {
    for (;;) pause();
  }
  key_input.FillPending();
  return true;
}
