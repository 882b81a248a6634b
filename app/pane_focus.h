#pragma once
// F6 and Shift+F6 of the main frame: the keyboard focus goes to the next or the previous pane.
#include <vector>

class QWidget;

// `panes` in their cycle order (null for one that is not there, such as the session area with
// no session open). The focus moves from the pane that holds it to the next one (`forward`) or
// the previous one that is shown and holds a control taking the focus: the control last focused
// there, else its first such control. When no pane holds the focus, the first or the last pane
// that can take it gets it.
void focus_next_pane(const std::vector<QWidget*>& panes, bool forward);
