// The explorer's one-slot mailbox and the queue operations that fill it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "config/connection_params.h"
#include "connections/file_request.h"
#include "connections/ssh2.h"

namespace {

TEST(file_request_mailbox, moves_through_its_states_and_refuses_while_busy) {
  file_request mailbox;
  int wakes = 0;
  mailbox.set_ready_callback([&] { ++wakes; });
  EXPECT_FALSE(mailbox.take());
  EXPECT_EQ(mailbox.reset(), 0);

  ASSERT_TRUE(mailbox.place(request_list_folder, std::string("/home/u")));
  EXPECT_EQ(wakes, 1);
  EXPECT_EQ(mailbox.state.load(), request_queued);
  // Queued, running and done-but-not-reset all refuse, leaving the first request alone.
  auto refuses_and_keeps_the_first = [&](const char* when) {
    EXPECT_FALSE(mailbox.place(request_make_folder, make_folder_request{"/x", 0755})) << when;
    EXPECT_EQ(mailbox.kind, request_list_folder) << when;
    EXPECT_EQ(std::get<std::string>(mailbox.argument), "/home/u") << when;
  };
  refuses_and_keeps_the_first("queued");
  EXPECT_EQ(mailbox.reset(), 0);
  ASSERT_TRUE(mailbox.take());
  refuses_and_keeps_the_first("running");
  EXPECT_EQ(mailbox.reset(), 0);
  mailbox.listing.push_back(std::make_unique<file_entry>());
  mailbox.finish(0, u"Failed");
  refuses_and_keeps_the_first("done");
  EXPECT_EQ(mailbox.state.load(), request_done);
  EXPECT_EQ(mailbox.success, 0);
  EXPECT_EQ(mailbox.error_text, u"Failed");

  EXPECT_EQ(mailbox.reset(), 1);
  EXPECT_EQ(mailbox.state.load(), request_idle);
  EXPECT_TRUE(mailbox.listing.empty());
  EXPECT_TRUE(mailbox.error_text.empty());
  EXPECT_TRUE(std::holds_alternative<std::monostate>(mailbox.argument));
  EXPECT_TRUE(mailbox.place(request_delete_files, std::vector<std::string>{"/a", "/b/"}));
  EXPECT_EQ(wakes, 2);
}

TEST(file_request_mailbox, a_result_is_stored_only_while_running) {
  file_request mailbox;
  mailbox.finish(1, u"ignored");
  EXPECT_EQ(mailbox.state.load(), request_idle);
  ASSERT_TRUE(mailbox.place(request_list_folder, std::string("/")));
  mailbox.finish(1, u"ignored");
  EXPECT_EQ(mailbox.state.load(), request_queued);
}

TEST(file_request_mailbox, a_callback_set_while_a_request_waits_fires_at_once) {
  file_request mailbox;
  ASSERT_TRUE(mailbox.place(request_list_folder, std::string("/")));
  int wakes = 0;
  mailbox.set_ready_callback([&] { ++wakes; });
  EXPECT_EQ(wakes, 1);
  mailbox.set_ready_callback({});
}

TEST(file_request_mailbox, collect_takes_a_done_result_out_and_leaves_it_idle) {
  file_request mailbox;
  EXPECT_FALSE(mailbox.collect());
  ASSERT_TRUE(mailbox.place(request_list_folder, std::string("/srv")));
  EXPECT_FALSE(mailbox.collect());
  ASSERT_TRUE(mailbox.take());
  EXPECT_FALSE(mailbox.collect());
  auto [kind, argument] = mailbox.running_request();
  EXPECT_EQ(kind, request_list_folder);
  EXPECT_EQ(std::get<std::string>(argument), "/srv");
  std::vector<std::unique_ptr<file_entry>> rows;
  rows.push_back(std::make_unique<file_entry>());
  rows.back()->name = "a";
  mailbox.store_listing(std::move(rows));
  mailbox.finish(1, u"");

  auto result = mailbox.collect();
  ASSERT_TRUE(result);
  EXPECT_EQ(result->kind, request_list_folder);
  EXPECT_EQ(std::get<std::string>(result->argument), "/srv");
  EXPECT_EQ(result->success, 1);
  ASSERT_EQ(result->listing.size(), 1u);
  EXPECT_EQ(result->listing[0]->name, "a");
  EXPECT_EQ(mailbox.state.load(), request_idle);
  EXPECT_TRUE(mailbox.listing.empty());
  EXPECT_FALSE(mailbox.collect());
}

TEST(file_request_mailbox, a_request_whose_worker_was_let_go_completes_as_failed) {
  file_request mailbox;
  EXPECT_FALSE(mailbox.fail_running(u"ended"));
  ASSERT_TRUE(mailbox.place(request_delete_files, std::vector<std::string>{"/a"}));
  // Still queued: the next connection's worker runs it.
  EXPECT_FALSE(mailbox.fail_running(u"ended"));
  ASSERT_TRUE(mailbox.take());
  EXPECT_TRUE(mailbox.fail_running(u"ended"));
  EXPECT_EQ(mailbox.state.load(), request_done);
  // The late worker's own result changes nothing.
  mailbox.finish(1, u"");
  auto result = mailbox.collect();
  ASSERT_TRUE(result);
  EXPECT_EQ(result->success, 0);
  EXPECT_EQ(result->error_text, u"ended");
}

TEST(queue_operations, refuse_bad_arguments_and_a_busy_mailbox) {
  ssh2 connection("uuid", ssh2_param{});
  struct row {
    const char* name;
    int result;
  };
  const row bad[] = {
      {"null folder", connection.queue_list_folder(nullptr)},
      {"no downloads", connection.queue_download({}, "/tmp")},
      {"null local folder", connection.queue_download({"/a"}, nullptr)},
      {"no uploads", connection.queue_upload({}, "/home")},
      {"null remote folder", connection.queue_upload({"/tmp/a"}, nullptr)},
      {"empty entry path", connection.queue_modify_entry("", "/b", -1)},
      {"empty new path", connection.queue_modify_entry("/a", "", -1)},
  };
  for (const auto& r : bad) EXPECT_EQ(r.result, -1) << r.name;
  EXPECT_EQ(connection.request.state.load(), request_idle);

  EXPECT_EQ(connection.queue_upload({"/tmp/a", "/tmp/b/"}, "/home/u/"), 0);
  EXPECT_EQ(connection.request.kind, request_upload);
  const auto& upload = std::get<transfer_request>(connection.request.argument);
  EXPECT_EQ(upload.sources, (std::vector<std::string>{"/tmp/a", "/tmp/b/"}));
  EXPECT_EQ(upload.target_folder, "/home/u/");
  EXPECT_EQ(connection.queue_modify_entry("/a", "/b", 0644), -1);
  EXPECT_EQ(connection.request.kind, request_upload);
}

TEST(queue_operations, each_kind_carries_its_argument) {
  ssh2 connection("uuid", ssh2_param{});
  ASSERT_EQ(connection.queue_modify_entry("/a", "/b", 0640), 0);
  const auto& modify = std::get<modify_request>(connection.request.argument);
  EXPECT_EQ(modify.path, "/a");
  EXPECT_EQ(modify.new_path, "/b");
  EXPECT_EQ(modify.mode, 0640);

  ssh2 other("uuid", ssh2_param{});
  ASSERT_EQ(other.queue_download({"/r/f", "/r/d/"}, "/tmp/in"), 0);
  EXPECT_EQ(other.request.kind, request_download);
  EXPECT_EQ(std::get<transfer_request>(other.request.argument).target_folder, "/tmp/in");
}

}  // namespace
