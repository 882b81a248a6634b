#include "settings/cursor_controls.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "platform/dialog_ids.h"
#include "settings/controls/CCursorSample.h"
#include "settings/controls/number_field.h"
#include "settings/option_fields.h"
#include "settings/option_lists.h"

cursor_controls add_cursor_controls(QWidget& group) {
  cursor_controls made{};
  made.style = with_id(new QComboBox(&group), 407);
  for (const char* style : cursor_styles) made.style->addItem(style);
  made.interval = number_field(&group, 408);
  made.interval->setMaximumWidth(70);
  made.sample = with_id(new CCursorSample(&group), 409);
  made.sample->setMinimumSize(220, 50);
  made.grid = new QGridLayout(&group);
  made.grid->addWidget(new QLabel("Style:", &group), 0, 0);
  made.grid->addWidget(made.style, 0, 1);
  made.grid->addWidget(new QLabel("Interval:", &group), 1, 0);
  made.grid->addWidget(made.interval, 1, 1);
  made.grid->addWidget(new QLabel("ms", &group), 1, 2);
  made.grid->addWidget(made.sample, 0, 3, 3, 1);
  made.grid->setColumnStretch(3, 1);
  return made;
}
