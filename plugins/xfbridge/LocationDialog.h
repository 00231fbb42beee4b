// The dialog that asks where the filter file is, when the bridge cannot find it by itself.
#pragma once

#include <optional>
#include <string>

namespace xfbridge {

// Runs the dialog, modal and without owner; the path chosen when the user leaves with OK (maybe
// empty), none after Cancel.
std::optional<std::string> AskFilterLocation();

} // namespace xfbridge
