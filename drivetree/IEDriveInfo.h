// What the program knows about the drive letters A..Z: whether a drive is shown, its type,
// medium, size, volume, display names, icon and item id list. Expensive facts are read on demand.
#pragma once

#include "kovalin/ComPtr.h"

#include <shlobj.h>

#include <array>
#include <cstdint>
#include <string>

namespace drivetree {

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
    bool IsValid(char drive, int type) const;
    void ReadNames(char drive, TDriveInfoRec& rec, bool sizeAsked, const std::string& volumeLabel);

    std::array<TDriveInfoRec, 26> data_;
    DWORD noDrives_ = 0;
    kovalin::ComPtr<IShellFolder> desktop_;
};

// The program-wide drive information. Init creates it on the first call and Done frees it on the
// matching last one, so start-up and shut-down hooks may run more than once.
void InitDriveInfo();
void DoneDriveInfo();
TDriveInfo& DriveInfo();

} // namespace drivetree
