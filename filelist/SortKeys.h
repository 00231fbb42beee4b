// Sort keys of texts in the user's locale without regard to case: byte strings whose order is the
// order the locale gives the texts. Most file names are made of a few dozen plain characters whose
// keys the locale simply strings together; for those a byte per character from a table (checked
// once against the locale) replaces asking the locale for each name, which is most of what sorting
// a large folder costs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace filelist {

class SortKeys {
public:
    // True when the table may key every text of a set of `count` texts that all pass Plain.
    // Below a thousand texts the locale's own keys cost too little to be worth building it.
    static bool TableWorthIt(size_t count) { return count >= 1024; }
    // The text uses only characters the table covers (building it on first use).
    static bool Plain(std::string_view text);
    // Appends the table's key of a plain text: comparable only with other table keys.
    static void AppendPlainKey(std::string_view text, std::string& keys);
    // What Plain and then AppendPlainKey do, in one pass over the text: false, with `keys` as it
    // was, when the text is not plain.
    static bool AppendIfPlain(std::string_view text, std::string& keys);
    // Appends the locale's own key; false when the locale could make none.
    static bool AppendLocaleKey(std::string_view text, std::string& keys);
    // Byte order of two keys (-1, 0, +1), the shorter first when one begins the other. Both must
    // be followed in memory by at least 8 readable bytes.
    static int Compare(const char* a, uint32_t aLength, const char* b, uint32_t bLength);
};

} // namespace filelist
