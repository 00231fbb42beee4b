#include "kovalin/Cursors.h"

namespace kovalin {

TCursorList& Cursors() {
    static TCursorList list;
    return list;
}

TCursorList::~TCursorList() {
    for (auto& [id, e] : cursors_)
        if (e.owned) DestroyCursor(e.cursor);
}

HCURSOR TCursorList::Cursor(int id) const {
    auto it = cursors_.find(id);
    if (it != cursors_.end() && it->second.cursor) return it->second.cursor;
    return LoadCursor(nullptr, IDC_ARROW);
}

void TCursorList::SetCursor(int id, HCURSOR cursor, bool owned) {
    auto it = cursors_.find(id);
    if (it != cursors_.end() && it->second.owned && it->second.cursor != cursor)
        DestroyCursor(it->second.cursor);
    cursors_[id] = {cursor, owned};
}

} // namespace kovalin
