#pragma once
// The small icon that the desktop shows for a file or folder name, judged by the name alone
// (nothing on disk is read). GUI thread only.
#include <QIcon>

#include <string_view>

// With `folder` set the folder icon is given, whatever the name (".." included); otherwise the
// icon of the name's file type (judged by its extension), else a plain file icon. On success
// `index`, when given, receives a number that stays the same for the same icon for the life of
// the process (callers cache by it). A null icon means failure, and `index` is left alone.
QIcon shell_icon(std::u16string_view name, bool folder, int* index);
