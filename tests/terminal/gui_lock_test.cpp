// The GUI's way into the screen mutex during a flood: once a GUI lock waits, the worker holds
// back its next block, so the GUI waits at most for the blocks already past that check.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "terminal/terminal_core.h"

namespace {

TEST(gui_lock, a_flooding_worker_lets_a_waiting_gui_lock_in_before_its_next_block) {
  terminal_core core;
  std::atomic<bool> flooding{true};
  std::atomic<long> blocks{0};
  std::thread worker([&] {
    std::string block(8192, 'y');
    for (size_t i = 1; i < block.size(); i += 2) block[i] = '\n';
    while (flooding) {
      core.receive_data(block.data(), block.size());
      ++blocks;
    }
  });
  while (blocks.load() < 10) std::this_thread::yield();
  long most = 0;
  for (int i = 0; i < 50; ++i) {
    // gui_lock(), with the blocks counted between its announcement and its entry: the one
    // being parsed and one that had passed the check just before.
    core.gui_waiting.fetch_add(1);
    long before = blocks.load();
    {
      std::lock_guard lock(core.screen.mutex);
      most = std::max(most, blocks.load() - before);
    }
    core.gui_waiting.fetch_sub(1);
    std::this_thread::yield();
  }
  flooding = false;
  worker.join();
  EXPECT_LE(most, 2);
  // The real one leaves nobody announced.
  { auto lock = core.gui_lock(); }
  EXPECT_EQ(core.gui_waiting.load(), 0);
}

}  // namespace
