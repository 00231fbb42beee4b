#include "shell/ClipboardMode.h"

namespace shell {

TProgramClipboard& TProgramClipboard::Program() {
    static TProgramClipboard clipboard;
    return clipboard;
}

} // namespace shell
