// Shows an error to the user: a message box with the error's text and the error icon, owned by
// the active window of this thread (the host's window when none of ours is active).
#pragma once

#include <exception>

namespace kvprint {

void ShowError(const std::exception& error);

} // namespace kvprint
