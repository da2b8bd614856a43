// The per-instance access flag and its scoped shared and exclusive holders.
#pragma once

#include <Python.h>

#include <atomic>
#include <cstdint>

namespace kolvi::python {

// The per-instance access flag: 0 free, n > 0 that many shared holders, all ones one exclusive
// holder. Only atomic operations touch it, so it stays sound with the interpreter lock off.
class AccessFlag {
 public:
  bool try_share() noexcept {
    std::uintptr_t current = state_.load(std::memory_order_relaxed);
    do {
      if (current >= kExclusive - 1) return false;  // exclusive, or the count would saturate
    } while (!state_.compare_exchange_weak(current, current + 1, std::memory_order_acquire,
                                           std::memory_order_relaxed));
    return true;
  }
  void release_shared() noexcept { state_.fetch_sub(1, std::memory_order_release); }

  bool try_exclusive() noexcept {
    std::uintptr_t expected = 0;
    return state_.compare_exchange_strong(expected, kExclusive, std::memory_order_acquire,
                                          std::memory_order_relaxed);
  }
  void release_exclusive() noexcept { state_.store(0, std::memory_order_release); }

  // True unless an exclusive holder exists at the moment of the read. As a guard for reading the
  // value it needs the interpreter lock held for the whole read, see BriefSharedAccess.
  bool not_exclusive() const noexcept {
    return state_.load(std::memory_order_relaxed) != kExclusive;
  }

 private:
  static constexpr std::uintptr_t kExclusive = ~std::uintptr_t{0};
  std::atomic<std::uintptr_t> state_{0};
};

// Scoped shared access; check `held()` before reading.
class SharedAccess {
 public:
  explicit SharedAccess(AccessFlag& flag) noexcept : flag_(flag.try_share() ? &flag : nullptr) {}
  ~SharedAccess() {
    if (flag_ != nullptr) flag_->release_shared();
  }
  SharedAccess(const SharedAccess&) = delete;
  SharedAccess& operator=(const SharedAccess&) = delete;
  bool held() const noexcept { return flag_ != nullptr; }

 private:
  AccessFlag* flag_;
};

// Shared access for a scope that runs no Python code and never lets go of the interpreter lock,
// such as a comparison. With the lock held throughout, no other thread can observe the count, so
// the GIL build only checks that nobody holds the value exclusively and skips the two atomic
// read-modify-writes; list.sort calls the comparison millions of times. The free-threaded build
// keeps the full count.
class BriefSharedAccess {
 public:
#ifdef Py_GIL_DISABLED
  explicit BriefSharedAccess(AccessFlag& flag) noexcept : access_(flag) {}
  bool held() const noexcept { return access_.held(); }

 private:
  SharedAccess access_;
#else
  explicit BriefSharedAccess(AccessFlag& flag) noexcept : held_(flag.not_exclusive()) {}
  bool held() const noexcept { return held_; }

 private:
  bool held_;
#endif
};

// Scoped exclusive access; check `held()` before writing.
class ExclusiveAccess {
 public:
  explicit ExclusiveAccess(AccessFlag& flag) noexcept
      : flag_(flag.try_exclusive() ? &flag : nullptr) {}
  ~ExclusiveAccess() {
    if (flag_ != nullptr) flag_->release_exclusive();
  }
  ExclusiveAccess(const ExclusiveAccess&) = delete;
  ExclusiveAccess& operator=(const ExclusiveAccess&) = delete;
  bool held() const noexcept { return flag_ != nullptr; }

 private:
  AccessFlag* flag_;
};

inline constexpr const char* kAlreadyBorrowed = "Already borrowed";
inline constexpr const char* kAlreadyMutablyBorrowed = "Already mutably borrowed";

}  // namespace kolvi::python
