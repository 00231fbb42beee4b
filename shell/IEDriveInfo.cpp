#include "shell/IEDriveInfo.h"

#include "kovalin/Application.h"
#include "kovalin/ErrorMode.h"
#include "kovalin/Exceptions.h"
#include "kovalin/Registry.h"
#include "shell/PIDL.h"

#include <winnetwk.h>

#include <memory>

namespace shell {

using kovalin::ComPtr;
using kovalin::Format;

namespace {

const char kPolicyKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

std::string Root(char drive) {
    return std::string(1, drive) + ":\\";
}

// Cuts s before the first "(" followed by the drive letter.
std::string CutBeforeLetter(const std::string& s, char drive) {
    size_t at = s.find(std::string("(") + drive);
    return at == std::string::npos ? s : s.substr(0, at);
}

using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

GetDiskFreeSpaceExFn FreeSpaceFunction() {
    static GetDiskFreeSpaceExFn fn = reinterpret_cast<GetDiskFreeSpaceExFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA")));
    return fn;
}

// For systems without the extended call: everything from cluster counts, in 64 bits.
BOOL WINAPI FreeSpaceFromClusters(LPCSTR root, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                                  PULARGE_INTEGER) {
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        return FALSE;
    uint64_t cluster = uint64_t(sectorsPerCluster) * bytesPerSector;
    freeToCaller->QuadPart = cluster * freeClusters;
    total->QuadPart = cluster * totalClusters;
    return TRUE;
}

bool ShellDisplayName(const TDriveInfoRec& rec, char drive, std::string& name) {
    kovalin::TErrorModeScope quiet(SEM_FAILCRITICALERRORS);
    SHFILEINFOA info{};
    DWORD_PTR ok = rec.PIDL ? SHGetFileInfoA(reinterpret_cast<LPCSTR>(rec.PIDL), 0, &info, sizeof info,
                                             SHGFI_PIDL | SHGFI_DISPLAYNAME)
                            : SHGetFileInfoA(Root(drive).c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME);
    if (!ok) return false;
    name = info.szDisplayName;
    return true;
}

} // namespace

TDriveInfo::TDriveInfo() {
    kovalin::TRegistry reg(HKEY_CURRENT_USER, KEY_READ);
    if (reg.OpenKeyReadOnly(kPolicyKey)) {
        try {
            DWORD raw = 0;
            reg.ReadBinaryData("NoDrives", &raw, sizeof raw);
            noDrives_ = raw;
        } catch (const kovalin::ERegistryException&) {
            try {
                noDrives_ = static_cast<DWORD>(reg.ReadInteger("NoDrives"));
            } catch (const kovalin::ERegistryException&) {
                noDrives_ = 0;
            }
        }
    }
    for (char d = 'A'; d <= 'Z'; ++d) {
        TDriveInfoRec& rec = data_[static_cast<size_t>(d - 'A')];
        rec.DriveType = static_cast<int>(GetDriveTypeA(Root(d).c_str()));
        rec.Valid = IsValid(d, rec.DriveType);
    }
    FreeSpaceFunction(); // looked up once, at start-up
}

void InvalidDriveLetter(char drive) {
    throw kovalin::EConvertError(Format("%c is a invalid drive letter.", drive));
}

TDriveInfo::~TDriveInfo() {
    FreePidls();
}

TDriveInfo& TDriveInfo::operator=(TDriveInfo&& other) noexcept {
    if (this == &other) return *this;
    FreePidls();
    data_ = std::move(other.data_);
    for (auto& rec : other.data_)
        rec.PIDL = nullptr;
    noDrives_ = other.noDrives_;
    desktop_ = std::move(other.desktop_);
    return *this;
}

void TDriveInfo::FreePidls() {
    for (auto& rec : data_)
        PidlFree(std::exchange(rec.PIDL, nullptr));
}

bool TDriveInfo::IsValid(char drive, int type) const {
    return !(noDrives_ & (1u << (drive - 'A'))) && type >= DRIVE_REMOVABLE && type <= DRIVE_RAMDISK;
}

TDriveInfoRec& TDriveInfo::Rec(char drive) {
    if (drive < 'A' || drive > 'Z') InvalidDriveLetter(drive);
    return data_[static_cast<size_t>(drive - 'A')];
}

const TDriveInfoRec& TDriveInfo::Rec(char drive) const {
    return const_cast<TDriveInfo*>(this)->Rec(drive);
}

int64_t TDriveInfo::DriveTotalSize(int driveNumber) {
    std::string root = driveNumber > 0 ? std::string(1, static_cast<char>(driveNumber + 64)) + ":\\" : "";
    ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
    GetDiskFreeSpaceExFn fn = FreeSpaceFunction() ? FreeSpaceFunction() : FreeSpaceFromClusters;
    if (!fn(driveNumber > 0 ? root.c_str() : nullptr, &freeToCaller, &total, &totalFree)) return -1;
    return static_cast<int64_t>(total.QuadPart);
}

bool TDriveInfo::ReadDriveStatus(char drive, int flags) {
    if (!desktop_) desktop_ = DesktopFolder();
    CharUpperBuffA(&drive, 1);
    TDriveInfoRec& rec = Rec(drive);
    rec.Init = true;
    rec.DriveType = static_cast<int>(GetDriveTypeA(Root(drive).c_str()));
    rec.Valid = IsValid(drive, rec.DriveType);
    if (!rec.Valid) {
        rec.Size = 0;
        rec.DriveReady = false;
        rec.DisplayName.clear();
        rec.PrettyName.clear();
        rec.LongPrettyName.clear();
        rec.DriveSerial = 0;
        rec.ImageIndex = 0;
        PidlFree(rec.PIDL);
        rec.PIDL = nullptr;
        return false;
    }
    // A: and B: never get an item id list, so that reading them never spins up a floppy drive.
    if (!rec.PIDL && drive > 'B' && desktop_) {
        std::wstring root = {wchar_t(drive), L':', L'\\'};
        ULONG eaten = 0;
        LPITEMIDLIST pidl = nullptr;
        if (SUCCEEDED(desktop_->ParseDisplayName(kovalin::Application().Handle(), nullptr, root.data(),
                                                 &eaten, &pidl, nullptr)))
            rec.PIDL = pidl;
    }

    std::string volumeLabel;
    if (flags & dsSize) {
        kovalin::TErrorModeScope quiet(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        rec.Size = DriveTotalSize(drive - 'A' + 1);
        rec.DriveReady = rec.Size >= 0;
        if (!rec.DriveReady) {
            rec.DriveSerial = 0;
        } else {
            char label[25] = {}, fileSystem[500] = {};
            if (GetVolumeInformationA(Root(drive).c_str(), label, 24, &rec.DriveSerial,
                                      &rec.MaxFileNameLength, &rec.FileSystemFlags, fileSystem, 499)) {
                rec.FileSystemName = fileSystem;
                volumeLabel = label;
            } else {
                rec.DriveSerial = 0;
                rec.FileSystemName.clear();
            }
        }
    }

    if (flags & dsNames) ReadNames(drive, rec, (flags & dsSize) != 0, volumeLabel);

    if ((flags & dsImageIndex) && rec.ImageIndex < 5) {
        SHFILEINFOA info{};
        DWORD_PTR ok = rec.PIDL ? SHGetFileInfoA(reinterpret_cast<LPCSTR>(rec.PIDL), 0, &info, sizeof info,
                                                 SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON)
                                : SHGetFileInfoA(Root(drive).c_str(), 0, &info, sizeof info,
                                                 SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
        if (ok) rec.ImageIndex = info.iIcon;
    }
    return rec.Valid && rec.DriveReady;
}

void TDriveInfo::ReadNames(char drive, TDriveInfoRec& rec, bool sizeAsked, const std::string& volumeLabel) {
    std::string letter(1, drive);
    if (sizeAsked && !rec.DriveReady) {
        rec.DisplayName = rec.PrettyName = rec.LongPrettyName = letter + ":";
        PidlFree(rec.PIDL);
        rec.PIDL = nullptr;
        return;
    }
    if (rec.DriveType == DRIVE_CDROM && !volumeLabel.empty()) {
        // Disc labels come in capitals; show them as a name.
        std::string rest = volumeLabel.substr(1, 24);
        CharLowerBuffA(rest.data(), static_cast<DWORD>(rest.size()));
        rec.DisplayName = volumeLabel.substr(0, 1) + rest + " (" + letter + ":)";
    } else {
        ShellDisplayName(rec, drive, rec.DisplayName);
    }
    rec.PrettyName = CutBeforeLetter(letter + ": " + rec.DisplayName, drive);
    if (rec.DriveType == DRIVE_REMOTE) {
        char remote[261] = {};
        DWORD len = 260;
        if (WNetGetConnectionA((letter + ":").c_str(), remote, &len) != NO_ERROR) remote[0] = '\0';
        std::string share = remote;
        size_t slash = share.find_last_of('\\');
        rec.PrettyName = letter + ": " + (slash == std::string::npos ? share : share.substr(slash + 1));
        rec.LongPrettyName = letter + ": " + share;
    } else {
        rec.LongPrettyName = CutBeforeLetter(rec.PrettyName.substr(0, 3) + rec.DisplayName, drive);
    }
}

int TDriveInfo::GetImageIndex(char drive) {
    TDriveInfoRec& rec = Rec(drive);
    if (!rec.Valid) return 0;
    if (rec.ImageIndex == 0) ReadDriveStatus(drive, dsImageIndex);
    return rec.ImageIndex;
}

std::string TDriveInfo::GetDriveDisplayName(char drive) {
    TDriveInfoRec& rec = Rec(drive);
    if (!rec.Valid) return std::string(1, drive) + ":";
    if (rec.DisplayName.empty()) ReadDriveStatus(drive, dsNames);
    return rec.DisplayName;
}

std::string TDriveInfo::GetPrettyName(char drive) {
    TDriveInfoRec& rec = Rec(drive);
    if (!rec.Valid) return std::string(1, drive) + ":";
    if (rec.PrettyName.empty()) ReadDriveStatus(drive, dsNames);
    return rec.PrettyName;
}

std::string TDriveInfo::GetLongPrettyName(char drive) {
    TDriveInfoRec& rec = Rec(drive);
    if (!rec.Valid) return std::string(1, drive) + ":";
    if (rec.PrettyName.empty()) ReadDriveStatus(drive, dsNames);
    return rec.LongPrettyName;
}

TDriveInfoRec TDriveInfo::GetDriveData(char drive) const {
    return Rec(drive);
}

} // namespace shell
