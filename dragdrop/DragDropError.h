// The error the views raise when a drop cannot be carried out: "DragDrop Error: " and a number
// (0: a shortcut could not be made, 1: the target folder is gone).
#pragma once

#include "kovalin/Exceptions.h"

#include <string>

namespace dragdrop {

class EDragDrop : public kovalin::Exception {
public:
    explicit EDragDrop(int code) : Exception("DragDrop Error: " + std::to_string(code)), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};

} // namespace dragdrop
