#pragma once
// A main frame as start-up makes it (the templates registered, the frame the application's
// main window), shown offscreen, and helpers that find a dialog's controls by their ids.
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

template <typename Widget>
Widget* control(QWidget& parent, int id) {
  auto* found = parent.findChild<Widget*>(QStringLiteral("id_%1").arg(id));
  EXPECT_NE(found, nullptr) << "no control " << id;
  return found;
}

// Types into an edit as the user does (so "edited" notifications fire).
inline void type_into(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_closing = false;
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
