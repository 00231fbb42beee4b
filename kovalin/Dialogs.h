// Standard dialogs of the framework.
#pragma once

#include <string>

namespace kovalin {

// Asks for one line of text in a small modal box centred on the screen: the prompt above an
// edit box that starts with `value` selected, OK (the default button) and Cancel. On OK `value`
// gets the edited text and the result is true; Cancel, Escape or closing the box leave it as it
// was and give false.
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);

} // namespace kovalin
