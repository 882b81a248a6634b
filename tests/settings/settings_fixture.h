#pragma once
// The live settings at their built-in values before and after each test, with no save pending,
// and a scripted ui that answers the dialogs' questions and pickers.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>

#include <memory>

#include "config/ansi_color_param.h"
#include "config/color_scheme_param.h"
#include "config/common_options_param.h"
#include "config/configuration.h"
#include "config/default_session_param.h"
#include "config/host_param.h"
#include "config/terminal_appearance_param.h"
#include "config/terminal_opt_param.h"
#include "settings/COptionsDlg.h"
#include "tests/support/dialog_controls.h"
#include "tests/support/scripted_ui.h"

namespace settings_test {

// The node's built-in values; its place in the tree stays.
template <typename Node>
void reset_node(Node& live) {
  Node fresh;
  fresh.name = live.name;
  fresh.children = live.children;
  live = fresh;
}

inline void reset_settings() {
  configuration& settings = configuration::instance();
  if (settings.save_pending()) settings.save_timer_proc();
  reset_node(*settings.common_options);
  reset_node(*settings.default_session);
  reset_node(*settings.terminal_options);
  reset_node(*settings.terminal_appearance);
  reset_node(*settings.ansi_colors);
  reset_node(*settings.color_schemes);
  settings.hosts->root = std::make_unique<host_node>(std::u16string(u"All Hosts"));
}

// A saved host of that name under "All Hosts"; returns its record.
inline session_record add_host(const std::u16string& name) {
  session_record host;
  host.name = name;
  configuration::instance().hosts->root->group->children.push_back(std::make_unique<host_node>(host));
  return host;
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_settings(); }
  void TearDown() override { reset_settings(); }

  configuration& settings = configuration::instance();
  test_support::scripted_ui ui;
};

// Global Options open on the live settings.
class OptionsDialogTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    open();
  }
  void TearDown() override {
    dialog.reset();
    SettingsTest::TearDown();
  }
  void open() {
    dialog = std::make_unique<COptionsDlg>();
    dialog->show();
  }

  QTreeWidget* tree() { return control<QTreeWidget>(*dialog, 374); }
  QTreeWidgetItem* category(const QString& label) {
    auto items = tree()->findItems(label, Qt::MatchExactly | Qt::MatchRecursive);
    EXPECT_EQ(items.size(), 1) << label.toStdString();
    return items.isEmpty() ? nullptr : items.front();
  }
  QWidget* shown_page() { return dialog->findChild<QStackedWidget*>()->currentWidget(); }
  void press_ok() { control<QPushButton>(*dialog, 1)->click(); }
  template <typename Widget>
  Widget* on(int id) {
    return control<Widget>(*dialog, id);
  }

  std::unique_ptr<COptionsDlg> dialog;
};

}  // namespace settings_test
