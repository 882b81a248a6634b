#pragma once
// The digits-only edit that every dialog uses for its numbers (ports, counts, times).
class QLineEdit;
class QWidget;

// An edit that takes digits only, named after its control id.
QLineEdit* number_field(QWidget* parent, int id);
