#pragma once
// A lock indicator source that answers what the test has set (nothing, while `state` is
// empty) and counts how often it was read.
#include <memory>
#include <optional>

#include "platform/lock_indicators.h"

struct indicator_script {
  std::optional<platform::lock_state> state;
  int reads = 0;
};

class scripted_indicators : public platform::lock_indicator_source {
 public:
  explicit scripted_indicators(std::shared_ptr<indicator_script> script) : script_(std::move(script)) {}
  std::optional<platform::lock_state> read() override {
    ++script_->reads;
    return script_->state;
  }

 private:
  std::shared_ptr<indicator_script> script_;
};
