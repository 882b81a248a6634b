#pragma once
// The OK (id 1, the default button) and Cancel (id 2) row of a dialog, added to `layout`;
// OK accepts and Cancel rejects. Returns the OK button.
class QBoxLayout;
class QDialog;
class QPushButton;

QPushButton* add_ok_cancel(QDialog& dialog, QBoxLayout& layout);
