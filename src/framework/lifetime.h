// Tells whether an object still exists after a call that runs a message loop. A modal box or a
// scan dispatches messages while it is up: any window that is not disabled can be closed then,
// and closing the main window destroys every document. Code that holds a pointer across such a
// call takes a LifeWatch first and checks it before touching the object again.
#pragma once

#include <memory>

namespace qfw {

class LifeWatch {
 public:
  LifeWatch() = default;
  bool Alive() const { return !token_.expired(); }

 private:
  friend class Lifetime;
  explicit LifeWatch(std::weak_ptr<const char> token) : token_(std::move(token)) {}
  std::weak_ptr<const char> token_;
};

// A member of the watched object; its watches see it gone from the moment the object's
// destructor has run.
class Lifetime {
 public:
  Lifetime() = default;
  Lifetime(const Lifetime&) = delete;
  Lifetime& operator=(const Lifetime&) = delete;
  LifeWatch Watch() const { return LifeWatch(token_); }

 private:
  std::shared_ptr<const char> token_ = std::make_shared<const char>('\0');
};

}  // namespace qfw
