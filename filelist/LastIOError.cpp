#include "filelist/LastIOError.h"

namespace filelist {

TLastIOError& TLastIOError::Program() {
    static TLastIOError value;
    return value;
}

} // namespace filelist
