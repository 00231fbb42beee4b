// What the program knows about the drive letters A..Z: whether a drive is shown, its type,
// medium, size, volume, display names, icon and item id list. Expensive facts are read on demand.
// One object serves the whole program; its owner hands it to every view that shows drives.
#pragma once

#include "kovalin/ComPtr.h"

#include <shlobj.h>

#include <array>
#include <cstdint>
#include <string>

namespace shell {

// Which of a drive's names the tree and the drive combo show.
enum TVolumeDisplayStyle { doPrettyName, doDisplayName, doLongPrettyName };

// A drive letter outside A..Z; raises EConvertError "X is a invalid drive letter.".
[[noreturn]] void InvalidDriveLetter(char drive);

enum : int { dsImageIndex = 1, dsSize = 2, dsNames = 4 };

struct TDriveInfoRec {
    // Item id list of "X:\" relative to the desktop. Owned by the drive information; a copy of
    // the record only borrows it, until the drive's next status read.
    LPITEMIDLIST PIDL = nullptr;
    bool Init = false;
    bool Valid = false;
    bool DriveReady = false;
    int DriveType = 0;
    std::string DisplayName;
    std::string PrettyName;
    std::string LongPrettyName;
    DWORD DriveSerial = 0;
    int64_t Size = -1;
    int ImageIndex = 0;
    std::string FileSystemName;
    DWORD MaxFileNameLength = 0;
    DWORD FileSystemFlags = 0;
};

class TDriveInfo {
public:
    // Reads the drive-hiding policy and every letter's type; touches no drive beyond that.
    TDriveInfo();
    TDriveInfo(const TDriveInfo&) = delete;
    TDriveInfo& operator=(const TDriveInfo&) = delete;
    // Taking over another object's facts, e.g. a fresh read after the drive policy changed, keeps
    // the views that were handed this one.
    TDriveInfo& operator=(TDriveInfo&& other) noexcept;
    ~TDriveInfo();

    // Refreshes the given aspects (dsImageIndex, dsSize, dsNames; other bits ignored) of a drive;
    // true when it is shown and has a medium. Takes the letter in either case.
    bool ReadDriveStatus(char drive, int flags);

    // These take an upper-case letter and raise EConvertError for anything else.
    int GetImageIndex(char drive);
    std::string GetDriveDisplayName(char drive);
    std::string GetPrettyName(char drive);
    std::string GetLongPrettyName(char drive);
    TDriveInfoRec GetDriveData(char drive) const;

    // Bit 0 = A ... bit 25 = Z; a set bit hides the drive.
    DWORD NoDrives() const { return noDrives_; }

    // Total bytes of drive number n (1 = A:, 0 = the current drive); -1 when it cannot be read.
    static int64_t DriveTotalSize(int driveNumber);

private:
    TDriveInfoRec& Rec(char drive);
    const TDriveInfoRec& Rec(char drive) const;
    void FreePidls();
    bool IsValid(char drive, int type) const;
    void ReadNames(char drive, TDriveInfoRec& rec, bool sizeAsked, const std::string& volumeLabel);

    std::array<TDriveInfoRec, 26> data_;
    DWORD noDrives_ = 0;
    kovalin::ComPtr<IShellFolder> desktop_;
};

} // namespace shell
