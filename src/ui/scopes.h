// Guards that change a member for the length of a scope and undo the change
// when it ends, so an early return or an exception can't leave it set.
#pragma once

namespace pix {

// Sets a flag while it lives, then gives it back the value it had.
class TFlagScope {
 public:
  explicit TFlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~TFlagScope() { flag_ = old_; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& flag_;
  bool old_;
};

// Counts itself while it lives: code that must not run while some operation is
// under way waits for the count to fall to 0.
class TCountScope {
 public:
  explicit TCountScope(int& count) : count_(count) { ++count_; }
  ~TCountScope() { --count_; }
  TCountScope(const TCountScope&) = delete;
  TCountScope& operator=(const TCountScope&) = delete;

 private:
  int& count_;
};

}  // namespace pix
