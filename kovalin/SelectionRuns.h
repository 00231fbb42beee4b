// Reading which items of a list control are selected with few questions to the control.
#pragma once

#include <vector>

namespace kovalin {

// The positions of the selected items, in order, given their number `count` and the control's
// answer to "the next selected item after position i" (-1 for the start; a negative answer when
// there is none). Each answer costs a message, which under Wine takes tens of microseconds in a
// large list, so the selection is read in runs where it can be: at the start of every run, when
// the selected items still to come would fill exactly the positions from the run's first item to
// the last selected one, every item in between is selected. A scattered selection is tried that
// way at most once in every 16 items read, which keeps its extra questions few.
template <typename NextSelected>
std::vector<int> SelectedPositions(int count, int itemCount, NextSelected&& nextSelected) {
    std::vector<int> found;
    if (count <= 0) return found;
    size_t tries = 0;
    int i = nextSelected(-1);
    while (i >= 0) {
        const int rest = count - static_cast<int>(found.size());
        const int last = i + rest - 1;
        if (rest > 2 && last < itemCount && tries * 16 <= found.size()) {
            ++tries;
            if (nextSelected(last - 1) == last && nextSelected(last) < 0) {
                for (int k = i; k <= last; ++k)
                    found.push_back(k);
                break;
            }
        }
        found.push_back(i);
        int next = nextSelected(i);
        while (next == found.back() + 1) {
            found.push_back(next);
            next = nextSelected(next);
        }
        if (next <= found.back()) break;
        i = next;
    }
    return found;
}

} // namespace kovalin
