// The file list's texts in the user's language: German or French when the primary language of
// the user's default locale is one of them, English otherwise.
#pragma once

#include "filelist/res/texts.h"

#include <string>

namespace filelist {

// The first string id of the chosen language's block (DVT_ENGLISH, DVT_GERMAN or DVT_FRENCH).
int ListTextBlock();
// A text by its role (DVT_COL_NAME ...), read from the program's string table once per process.
const std::string& ListText(int role);
// The type text of a file whose type nobody registered: "File %s" in the user's language with the
// extension in place of %s.
std::string UnregisteredTypeName(const std::string& ext);

} // namespace filelist
