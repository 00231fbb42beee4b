// What the drive tree tells the list about its own folder work.
#include "filelist/DirView.h"
#include "filelist/LastIOError.h"

namespace filelist {

void TDirView::LastIOErrorChanged(unsigned long error) {
    TLastIOError::Program().Set(static_cast<DWORD>(error));
}

} // namespace filelist
