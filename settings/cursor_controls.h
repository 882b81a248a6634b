#pragma once
// The cursor controls both Appearance pages show, in the group they are given: "Style:" (407)
// offering the three styles, "Interval:" (408) in ms, and the blinking sample (409) beside them.
// Row 2 of the grid is left for the page's own controls.
class CCursorSample;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QWidget;

struct cursor_controls {
  QComboBox* style;
  QLineEdit* interval;
  CCursorSample* sample;
  QGridLayout* grid;
};

cursor_controls add_cursor_controls(QWidget& group);
