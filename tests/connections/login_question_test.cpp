// The login questions between a worker and the GUI: answered, cancelled, abandoned on stop.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "connections/login_question.h"
#include "platform/worker_thread.h"
#include "tests/connections/connection_test_support.h"

namespace {

using namespace connection_test;

class login_questions : public ::testing::Test {
 protected:
  void SetUp() override { set_login_prompter(prompter); }
  void TearDown() override { set_login_prompter(nullptr); }
  std::shared_ptr<scripted_prompter> prompter = std::make_shared<scripted_prompter>();
  platform::worker_control run;
  connection_params shown;
};

TEST_F(login_questions, an_answer_reaches_the_worker) {
  prompter->push(true, "alice");
  auto name = ask_login_question(login_question_kind::username, shown, "uuid", run);
  ASSERT_TRUE(name);
  EXPECT_EQ(*name, "alice");
  prompter->push(false, "ignored");
  EXPECT_FALSE(ask_login_question(login_question_kind::password, shown, "uuid", run));
  EXPECT_EQ(prompter->asked(),
            (std::vector<login_question_kind>{login_question_kind::username, login_question_kind::password}));
}

TEST_F(login_questions, without_a_prompter_every_question_counts_as_cancelled) {
  set_login_prompter(nullptr);
  EXPECT_FALSE(ask_login_question(login_question_kind::username, shown, "uuid", run));
}

TEST_F(login_questions, a_stopped_worker_abandons_its_question_and_a_late_answer_is_dropped) {
  platform::worker_thread worker;
  std::optional<std::string> result{"not asked"};
  ASSERT_TRUE(worker.start([&](platform::worker_control& control) {
    result = ask_login_question(login_question_kind::password, shown, "uuid", control);
  }));
  ASSERT_TRUE(wait_until([&] { return prompter->pending() != nullptr; }));
  auto question = prompter->pending();
  EXPECT_FALSE(question->abandoned());
  worker.request_stop();
  ASSERT_TRUE(worker.wait_for_end(20s));
  EXPECT_FALSE(result);
  EXPECT_TRUE(question->abandoned());
  question->answer(true, "too late");
  EXPECT_TRUE(question->abandoned());
}

TEST(login_question_record, only_the_first_answer_counts) {
  connection_params shown;
  shown.ssh2.hostname = "h";
  login_question question(login_question_kind::auth_failed, shown, "u-1");
  question.answer(false);
  question.answer(true, "second");
  platform::worker_control run;
  auto reply = question.wait(run);
  ASSERT_TRUE(reply);
  EXPECT_FALSE(reply->accepted);
  EXPECT_EQ(question.shown.ssh2.hostname, "h");
  EXPECT_EQ(question.session_uuid, "u-1");
}

}  // namespace
