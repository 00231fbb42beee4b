// OLE for the drag-and-drop components: initialised when the first one is made on the
// user-interface thread and shut down with the last.
#pragma once

namespace dragdrop {

class TOleUser {
public:
    TOleUser();
    TOleUser(const TOleUser&) = delete;
    TOleUser& operator=(const TOleUser&) = delete;
    ~TOleUser();
    // Whether OLE came up for this user.
    bool Ready() const { return ready_; }

private:
    bool ready_;
};

} // namespace dragdrop
