// The size of everything below one folder, summed on a worker thread at lowered priority and
// handed to the user-interface thread when the walk has finished without being stopped.
#pragma once

#include "kovalin/Thread.h"

#include <cstdint>
#include <functional>
#include <string>

namespace shell {

// The bytes of all files below `folder` (with or without trailing backslash). `completed` turns
// false when an enumeration ended for another reason than having no more entries, or when
// `stop` returned true; a folder that cannot be listed at all adds nothing and counts as
// completed. `stop` is asked before and after every entry.
int64_t SumFolderSizes(const std::string& folder, const std::function<bool()>& stop, bool& completed);

class TSubDirScanner final : public kovalin::TThread {
public:
    // Runs on the user-interface thread with the total, unless the scanner was told to stop.
    using HandOver = std::function<void(TSubDirScanner& scanner)>;

    // Runs on the user-interface thread when the thread has ended, stopped or not. It must not
    // free the scanner (see TThread::OnTerminate).
    using Ended = std::function<void(TSubDirScanner& scanner)>;

    // Starts at once. `path`: the folder item's full path; `caption`: the item's caption, by
    // which the receiver finds the item again.
    TSubDirScanner(std::string path, std::string caption, HandOver handOver, Ended ended);
    ~TSubDirScanner() override;

    const std::string& Path() const { return path_; }
    const std::string& Caption() const { return caption_; }
    // The bytes below the folder, for the hand-over (the walk sets it just before).
    int64_t Total() const { return total_; }

protected:
    void Execute() override;

private:
    const std::string path_, caption_;
    HandOver handOver_;
    int64_t total_ = 0;
};

} // namespace shell
