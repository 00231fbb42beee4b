// File name masks: ";"-separated wildcard patterns, matched in lower case with "*" and "?" only;
// a literal after "*" is taken at its first occurrence, without backtracking.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace shell {

// Patterns in lower case, sorted, without duplicates.
class TMaskList {
public:
    void Clear() { patterns_.clear(); }
    void Add(std::string pattern);
    size_t Count() const { return patterns_.size(); }
    bool Empty() const { return patterns_.empty(); }
    const std::vector<std::string>& Patterns() const { return patterns_; }

private:
    std::vector<std::string> patterns_;
};

// Fills the list from a mask string; "" gives the single pattern "*".
void ParseMasks(const std::string& masks, TMaskList& list);
// Name and pattern both already in lower case.
bool MatchesMask(std::string_view name, std::string_view pattern);
// No list or an empty list matches everything; a name without "." is matched as if it ended in one.
bool MatchesMaskList(std::string_view name, const TMaskList* list);

} // namespace shell
