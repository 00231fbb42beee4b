#include "shell/MaskSearch.h"

#include <windows.h>

#include <algorithm>

namespace shell {

void TMaskList::Add(std::string pattern) {
    auto it = std::lower_bound(patterns_.begin(), patterns_.end(), pattern);
    if (it == patterns_.end() || *it != pattern) patterns_.insert(it, std::move(pattern));
}

void ParseMasks(const std::string& masks, TMaskList& list) {
    list.Clear();
    if (masks.empty()) {
        list.Add("*");
        return;
    }
    std::string text = masks.back() == ';' ? masks : masks + ";";
    size_t start = 0;
    for (size_t semi; (semi = text.find(';', start)) != std::string::npos; start = semi + 1) {
        std::string piece = text.substr(start, semi - start);
        CharLowerBuffA(piece.data(), static_cast<DWORD>(piece.size()));
        list.Add(std::move(piece));
    }
}

namespace {

bool HasWildcards(std::string_view s) {
    return s.find_first_of("*?") != std::string_view::npos;
}

bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

bool MatchesMask(std::string_view name, std::string_view pattern) {
    if (pattern == "*") return true;
    if (pattern == "*.*") return name.find('.') != std::string_view::npos;
    if (!HasWildcards(pattern)) return name == pattern;

    size_t p = 0; // position in name; name.size() is "one past the end"
    bool star = false;
    size_t t = 0;
    while (t < pattern.size()) {
        char c = pattern[t];
        if (c == '?') {
            if (++p > name.size()) return false;
            ++t;
            continue;
        }
        if (c == '*') {
            star = true;
            ++t;
            continue;
        }
        size_t end = pattern.find_first_of("*?", t);
        if (end == std::string_view::npos) end = pattern.size();
        std::string_view literal = pattern.substr(t, end - t);
        bool last = end == pattern.size();
        std::string_view rest = p <= name.size() ? name.substr(p) : std::string_view();
        if (star) {
            if (last) {
                // A final literal must end the name; a name already used up does not end in it.
                if (!EndsWith(rest, literal)) return false;
                p = name.size();
            } else {
                size_t found = rest.find(literal);
                if (found == std::string_view::npos) return false;
                p += found + literal.size();
            }
            star = false;
        } else {
            if (rest.substr(0, literal.size()) != literal) return false;
            p += literal.size();
        }
        t = end;
    }
    return star || p == name.size();
}

bool MatchesMaskList(std::string_view name, const TMaskList* list) {
    if (!list || list->Empty()) return true;
    // Names are at most a few hundred characters: lower-case them on the stack, not the heap.
    char stackBuf[512];
    std::string heapBuf;
    char* buf = stackBuf;
    if (name.size() + 2 > sizeof stackBuf) {
        heapBuf.resize(name.size() + 2);
        buf = heapBuf.data();
    }
    std::copy(name.begin(), name.end(), buf);
    size_t len = name.size();
    CharLowerBuffA(buf, static_cast<DWORD>(len));
    if (std::string_view(buf, len).find('.') == std::string_view::npos) buf[len++] = '.';
    std::string_view lower(buf, len);
    for (const std::string& pattern : list->Patterns())
        if (MatchesMask(lower, pattern)) return true;
    return false;
}

} // namespace shell
