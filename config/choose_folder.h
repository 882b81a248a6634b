#pragma once
// The folder picker, through the ui facade (platform/ui.h), so tests can script it.
// GUI thread only.
#include <string>
#include <string_view>

// Shows the picker with `title`, starting at `initial` when it is given. True with the chosen
// folder in `folder`; false (and `folder` untouched) when the user cancels.
bool choose_folder(std::u16string& folder, std::u16string_view title, const std::u16string* initial);
