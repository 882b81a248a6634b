#pragma once
// A main frame as start-up makes it (the templates registered, the frame the application's
// main window), shown offscreen.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include "app/CMainFrame.h"
#include "app/CTessaryApp.h"
#include "config/configuration.h"
#include "config/default_session_param.h"
#include "tests/support/dialog_controls.h"

class FrameTest : public ::testing::Test {
 protected:
  // How long a test waits for what must come (a posted event handled, a pane updated, a
  // refused connection reported): only a fault uses it up, a busy machine may take seconds.
  static constexpr int wait_bound_ms = 20000;

  void SetUp() override {
    app_closing = false;
    // A save that an earlier case armed (closing remembers sessions) is written now, so every
    // case starts with none pending.
    configuration::instance().exit_save();
    configuration::instance().default_session->last_sessions.clear();
    the_app.m_nWindowLayout = 0;
    the_app.RegisterTemplates();
    frame = new CMainFrame;
    the_app.m_pMainWnd = frame.data();
    frame->resize(1000, 700);
    frame->show();
  }
  void TearDown() override { delete frame.data(); }

  QPointer<CMainFrame> frame;
};
