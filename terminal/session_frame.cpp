#include "terminal/session_frame.h"

namespace {

session_frame* installed = nullptr;

}  // namespace

session_frame* session_frame::instance() { return installed; }

session_frame* session_frame::install(session_frame* frame) {
  session_frame* previous = installed;
  installed = frame;
  return previous;
}
