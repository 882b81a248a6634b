#pragma once
// Waiting on a condition instead of sleeping for a guessed time.
#include <chrono>
#include <functional>

namespace test_support {

// Polls `condition` every few milliseconds until it holds or `limit` passed; true when it held.
// The default bound only matters when the condition never holds: a busy machine may take
// seconds for what usually takes milliseconds.
bool wait_until(const std::function<bool()>& condition,
                std::chrono::milliseconds limit = std::chrono::seconds(20));

}  // namespace test_support
