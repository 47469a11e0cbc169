// The test seam of every modal question or message: the process has one current presenter of each
// kind (the system's dialog by default), and a test replaces it for a scope. A seam declares
// `Presenter* ExchangePresenter(Presenter* replacement)` beside its interface, which makes the
// replacement current and returns the one it replaced.
#pragma once

namespace qfw {

// Makes `replacement` the current presenter of its kind for the lifetime of this object and
// restores the previous one afterwards.
template <typename Presenter>
class ScopedPresenter {
 public:
  explicit ScopedPresenter(Presenter& replacement) : previous_(ExchangePresenter(&replacement)) {}
  ~ScopedPresenter() { ExchangePresenter(previous_); }
  ScopedPresenter(const ScopedPresenter&) = delete;
  ScopedPresenter& operator=(const ScopedPresenter&) = delete;

 private:
  Presenter* previous_;
};

}  // namespace qfw
