#include "terminal/session_confirmations.h"

#include "config/common_options_param.h"
#include "config/configuration.h"

session_confirmations session_confirmations::current() {
  const common_options_param* options = configuration::instance().common_options;
  if (!options) return {};
  return {options->close_confirm, options->disconnect_confirm, options->reconnect_confirm};
}
