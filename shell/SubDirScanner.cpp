#include "shell/SubDirScanner.h"

#include "kovalin/Handles.h"

#include <windows.h>

#include <utility>
#include <vector>

namespace shell {

namespace {

bool IsDots(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// One folder and, in order, the folders below it; false when the walk did not complete.
bool Walk(const std::string& folder, const std::function<bool()>& stop, int64_t& total) {
    WIN32_FIND_DATAA entry;
    kovalin::UniqueFindHandle find(FindFirstFileA((folder + "*.*").c_str(), &entry));
    if (!find) return true;
    std::vector<std::string> below;
    bool more = true;
    while (more) {
        if (stop()) return false;
        if (!IsDots(entry.cFileName)) {
            // Every file counts with its full size, also beyond 2 and 4 GB.
            total +=
                static_cast<int64_t>((static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                below.push_back(folder + entry.cFileName + "\\");
        }
        if (stop()) return false;
        more = FindNextFileA(find.get(), &entry) != FALSE;
    }
    if (GetLastError() != ERROR_NO_MORE_FILES) return false;
    find.reset();
    for (const std::string& sub : below)
        if (!Walk(sub, stop, total)) return false;
    return true;
}

} // namespace

int64_t SumFolderSizes(const std::string& folder, const std::function<bool()>& stop, bool& completed) {
    std::string start = folder;
    if (start.empty() || start.back() != '\\') start += '\\';
    int64_t total = 0;
    completed = Walk(start, stop, total);
    return total;
}

TSubDirScanner::TSubDirScanner(std::string path, std::string caption, HandOver handOver, Ended ended)
    : TThread(kovalin::TThreadRunner::SharedWorkers), path_(std::move(path)), caption_(std::move(caption)),
      handOver_(std::move(handOver)) {
    // Set before the thread starts, which reads it when it ends.
    if (ended) OnTerminate = [this, ended = std::move(ended)] { ended(*this); };
    // Sizes are a nicety: the user's own work comes first.
    SetPriority(THREAD_PRIORITY_BELOW_NORMAL);
    Start();
}

TSubDirScanner::~TSubDirScanner() {
    Terminate();
    WaitFor();
}

void TSubDirScanner::Execute() {
    bool completed = false;
    // The count grows in a local of the walk; nothing reads the total before the hand-over.
    const int64_t total = SumFolderSizes(
        path_, [this] { return Terminated(); }, completed);
    total_ = total;
    if (!completed || Terminated()) return;
    // Nothing of the walk is left to wait for: the total is the last thing handed over, and the
    // worker may take the next folder meanwhile.
    Queue([this] {
        if (!Terminated() && handOver_) handOver_(*this);
    });
}

} // namespace shell
