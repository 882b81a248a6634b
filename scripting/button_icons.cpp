#include "scripting/button_icons.h"

#include "settings/controls/control_look.h"

// Q_INIT_RESOURCE declares a global function, so this cannot be in a namespace.
static void load_scripting_resources() {
  static const bool loaded = [] {
    Q_INIT_RESOURCE(scripting);
    return true;
  }();
  (void)loaded;
}

int button_icon_resource(int32_t icon_index) {
  static constexpr int resources[button_icon_count] = {368, 370, 369, 371};
  load_scripting_resources();
  return icon_index >= 0 && icon_index < button_icon_count ? resources[icon_index] : resources[0];
}

QIcon button_icon(int32_t icon_index) { return resource_icon(button_icon_resource(icon_index)); }
