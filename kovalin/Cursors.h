// The program's cursors by number, as controls name them: 0 is the arrow, others are registered by
// whoever loads them (a library registers the cursors of its resources when it starts).
#pragma once

#include <windows.h>

#include <map>

namespace kovalin {

class TCursorList {
public:
    TCursorList() = default;
    TCursorList(const TCursorList&) = delete;
    TCursorList& operator=(const TCursorList&) = delete;
    // Destroys the registered cursors that were loaded from resources they own.
    ~TCursorList();

    // The cursor with the number; the arrow for 0 and for numbers nobody registered.
    HCURSOR Cursor(int id) const;
    // Registers a cursor under the number; the list destroys it later when `owned`.
    void SetCursor(int id, HCURSOR cursor, bool owned);

private:
    struct Entry {
        HCURSOR cursor;
        bool owned;
    };
    std::map<int, Entry> cursors_;
};

// The cursor list of this module.
TCursorList& Cursors();

} // namespace kovalin
