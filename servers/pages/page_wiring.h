#pragma once
// What the three server pages share: every user change of a setting control marks the page
// modified, and their refusals are plain message boxes under the program's name.
#include <QString>

#include <initializer_list>

#include "config/configuration.h"
#include "settings/controls/CMyPage.h"

class QWidget;

// Connects the user-action signals of each control to CMyPage::SetModified: a click of a check
// box, a choice or a typed text of a combo box, a typed text of an edit, and an entry deleted
// from a history combo box. Programmatic changes (the page filling itself) are no change.
void mark_modified_on_change(CMyPage& page, std::initializer_list<QWidget*> controls);

// A message box with `text`, an OK button and the application's name as caption.
void show_page_message(QWidget* parent, const QString& text);

class QPushButton;

// The narrow "..." button beside a folder history.
QPushButton* make_browse_button(QWidget* parent, int id);

// The end of every server page's Apply: stops the server, starts it again when `settings`
// enable it, and only when that worked makes them the stored settings, arms the save and
// clears the page's modified flag. False, after showing `failure`, when the server did not
// start: it stays stopped and the stored settings stay as they were.
template <typename Server, typename Settings>
bool restart_and_store(CMyPage& page, Server& server, const Settings& settings, Settings& stored,
                       const QString& failure) {
  server.stop();
  if (settings.enable && !server.start(settings)) {
    show_page_message(&page, failure);
    return false;
  }
  stored = settings;
  configuration::instance().schedule_save();
  return page.CMyPage::OnApply();
}
