#include "shell/FileOperator.h"

#include "kovalin/Application.h"
#include "kovalin/WinControl.h"
#include "shell/PathAttributes.h"

#include <iterator>

namespace shell {

namespace {

using enum TFileOperationFlag;

// Shell flag of each set element, in the order of TFileOperationFlag.
const FILEOP_FLAGS kShellFlags[] = {
    FOF_ALLOWUNDO,      FOF_CONFIRMMOUSE,      FOF_FILESONLY, FOF_MULTIDESTFILES, FOF_NOCONFIRMATION,
    FOF_NOCONFIRMMKDIR, FOF_RENAMEONCOLLISION, FOF_SILENT,    FOF_SIMPLEPROGRESS,
};

FILEOP_FLAGS AllMappedFlags() {
    FILEOP_FLAGS all = 0;
    for (FILEOP_FLAGS f : kShellFlags)
        all |= f;
    return all;
}

// Each entry followed by a zero character, the whole by one more.
std::string ZeroSeparated(const std::vector<std::string>& list) {
    std::string s;
    for (const std::string& entry : list) {
        s += entry;
        s += '\0';
    }
    s += '\0';
    return s;
}

std::string FileNamePart(const std::string& path) {
    size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPart(const std::string& path) {
    size_t slash = path.find_last_of("\\/:");
    if (slash == std::string::npos) return std::string();
    // A drive root keeps its backslash.
    if (slash == 0 || path[slash] == ':' || path[slash - 1] == ':') return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

std::string WithBackslash(const std::string& path) {
    return !path.empty() && path.back() == '\\' ? path : path + '\\';
}

bool HasWildcard(const std::string& path) {
    return path.find_first_of("*?") != std::string::npos;
}

// Whether a run can be reversed from its lists alone.
bool Undoable(TFileOperation operation, TFileOperationFlags flags) {
    return flags.Contains(foAllowUndo) && !flags.Contains(foMultiDestFiles) &&
           !flags.Contains(foRenameOnCollision) && operation != TFileOperation::foDelete;
}

} // namespace

TFileOperator::TFileOperator(kovalin::TWinControl* owner) : owner_(owner) {
    op_.wFunc = FO_COPY;
    op_.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMMKDIR;
}

TFileOperation TFileOperator::Operation() const {
    switch (op_.wFunc) {
    case FO_MOVE:
        return TFileOperation::foMove;
    case FO_DELETE:
        return TFileOperation::foDelete;
    case FO_RENAME:
        return TFileOperation::foRename;
    default:
        return TFileOperation::foCopy;
    }
}

void TFileOperator::SetOperation(TFileOperation operation) {
    switch (operation) {
    case TFileOperation::foCopy:
        op_.wFunc = FO_COPY;
        break;
    case TFileOperation::foDelete:
        op_.wFunc = FO_DELETE;
        break;
    case TFileOperation::foMove:
        op_.wFunc = FO_MOVE;
        break;
    case TFileOperation::foRename:
        op_.wFunc = FO_RENAME;
        break;
    }
}

TFileOperationFlags TFileOperator::Flags() const {
    TFileOperationFlags flags;
    for (unsigned i = 0; i < std::size(kShellFlags); ++i)
        if (op_.fFlags & kShellFlags[i]) flags += {static_cast<TFileOperationFlag>(i)};
    return flags;
}

void TFileOperator::SetFlags(TFileOperationFlags flags) {
    // Shell flags outside the set (the mapping-handle request) stay as they are.
    FILEOP_FLAGS shell = op_.fFlags & ~AllMappedFlags();
    for (unsigned i = 0; i < std::size(kShellFlags); ++i)
        if (flags.Contains(static_cast<TFileOperationFlag>(i))) shell |= kShellFlags[i];
    op_.fFlags = shell;
}

void TFileOperator::SetWantMappingHandle(bool value) {
    if (value)
        op_.fFlags |= FOF_WANTMAPPINGHANDLE;
    else
        op_.fFlags &= ~FOF_WANTMAPPINGHANDLE;
}

HWND TFileOperator::OwnerWindow() const {
    if (owner_ && owner_->Handle() && IsWindow(owner_->Handle()))
        return GetAncestor(owner_->Handle(), GA_ROOT);
    return kovalin::Application().Handle();
}

void TFileOperator::ClearUndo() {
    canUndo_ = false;
    undoFrom_.clear();
    undoTo_.clear();
}

bool TFileOperator::RunShell(bool& reversible) {
    bool copyOrMove = Operation() != TFileOperation::foDelete;
    // The shell would take an empty destination for the current directory, wherever that is.
    if (operandFrom_.empty() || (copyOrMove && operandTo_.empty())) return false;

    // Undo deletes or moves back what lies in the target folder under the sources' names, so it
    // is offered only when exactly those were created by this run: nothing of the same name was
    // there before (a merge or an overwrite) and everything is there afterwards (not a copy
    // under a new name).
    std::vector<std::string> targets;
    if (reversible && copyOrMove && operandTo_.size() == 1) {
        for (const std::string& source : operandFrom_)
            targets.push_back(WithBackslash(operandTo_[0]) + FileNamePart(source));
        for (DWORD attributes : PathAttributes(targets))
            if (attributes != INVALID_FILE_ATTRIBUTES) reversible = false;
    }

    // The sources' attributes, asked for once: wildcards stand for no one entry.
    std::vector<std::string> plainSources;
    bool anyWildcard = false;
    for (const std::string& source : operandFrom_) {
        if (HasWildcard(source))
            anyWildcard = true;
        else
            plainSources.push_back(source);
    }
    const std::vector<DWORD> sourceAttributes = PathAttributes(plainSources);
    // Wine's shell passes over a missing source and reports success for the rest.
    bool allSourcesThere = true;
    for (DWORD attributes : sourceAttributes)
        if (attributes == INVALID_FILE_ATTRIBUTES) allSourcesThere = false;

    // Wine's shell cancels a move of several plain files into one existing folder; naming each
    // file's destination moves the same files to the same place on every system.
    std::vector<std::string> shellTo = operandTo_;
    const FILEOP_FLAGS savedFlags = op_.fFlags;
    if (Operation() == TFileOperation::foMove && operandTo_.size() == 1 && operandFrom_.size() > 1 &&
        !(op_.fFlags & FOF_MULTIDESTFILES)) {
        const DWORD targetAttr = GetFileAttributesA(operandTo_[0].c_str());
        bool plainFiles =
            targetAttr != INVALID_FILE_ATTRIBUTES && (targetAttr & FILE_ATTRIBUTE_DIRECTORY) && !anyWildcard;
        for (DWORD attributes : sourceAttributes)
            if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
                plainFiles = false;
        if (plainFiles) {
            shellTo.clear();
            for (const std::string& source : operandFrom_)
                shellTo.push_back(WithBackslash(operandTo_[0]) + FileNamePart(source));
            op_.fFlags |= FOF_MULTIDESTFILES;
        }
    }
    std::string from = ZeroSeparated(operandFrom_), to = ZeroSeparated(shellTo);
    op_.pFrom = from.c_str();
    op_.pTo = to.c_str();
    op_.lpszProgressTitle = progressTitle_.c_str();
    int result = SHFileOperationA(&op_);
    op_.pFrom = op_.pTo = op_.lpszProgressTitle = nullptr;
    op_.fFlags = savedFlags;
    mappings_.reset(op_.hNameMappings);

    for (DWORD attributes : PathAttributes(targets))
        if (attributes == INVALID_FILE_ATTRIBUTES) reversible = false;
    bool ok = result == 0 && allSourcesThere;
    // A move or delete that the shell calls complete has left none of its sources behind; Wine's
    // reports success for a folder move onto a folder of the same name that it skipped.
    if (ok && !AnyOperationsAborted() && Operation() != TFileOperation::foCopy)
        for (DWORD attributes : PathAttributes(plainSources))
            if (attributes != INVALID_FILE_ATTRIBUTES) ok = false;
    return ok;
}

bool TFileOperator::Execute() {
    TFileOperation operation = Operation();
    TFileOperationFlags flags = Flags();
    bool reversible = Undoable(operation, flags);
    bool ok = false;
    try {
        mappings_.reset();
        op_.hNameMappings = nullptr;
        op_.fAnyOperationsAborted = FALSE;
        op_.hwnd = OwnerWindow();
        if (operation == TFileOperation::foRename) {
            // A plain rename: no shell progress or confirmation, and no overwriting.
            ok = !operandFrom_.empty() && !operandTo_.empty() &&
                 MoveFileA(operandFrom_[0].c_str(), operandTo_[0].c_str());
        } else {
            ok = RunShell(reversible);
        }
    } catch (...) {
        ok = false;
    }
    // A failed or cancelled run may have done part of its work or none: reversing it could
    // remove what it never made.
    if (ok && reversible && !AnyOperationsAborted()) {
        undoFrom_ = std::move(operandFrom_);
        undoTo_ = std::move(operandTo_);
        lastOperation_ = operation;
        lastFlags_ = flags;
        canUndo_ = true;
    } else {
        ClearUndo();
    }
    operandFrom_.clear();
    operandTo_.clear();
    return ok;
}

bool TFileOperator::UndoExecute() {
    if (!canUndo_ || undoFrom_.empty() || undoTo_.size() != 1) return false;
    TFileOperation savedOperation = Operation();
    TFileOperationFlags savedFlags = Flags();
    const std::string target = WithBackslash(undoTo_[0]);
    bool ran = false, ok = false;
    switch (lastOperation_) {
    case TFileOperation::foCopy: {
        SetOperation(TFileOperation::foDelete);
        SetFlags(lastFlags_ - TFileOperationFlags{foAllowUndo} + TFileOperationFlags{foNoConfirmation});
        std::vector<std::string> copies;
        for (const std::string& entry : undoFrom_)
            copies.push_back(target + FileNamePart(entry));
        operandFrom_ = std::move(copies);
        operandTo_.clear();
        ran = true;
        break;
    }
    case TFileOperation::foMove: {
        SetOperation(TFileOperation::foMove);
        SetFlags(lastFlags_ + TFileOperationFlags{foAllowUndo, foNoConfirmation});
        std::vector<std::string> moved;
        for (const std::string& entry : undoFrom_)
            moved.push_back(target + FileNamePart(entry));
        std::string back = FolderPart(undoFrom_[0]);
        operandFrom_ = std::move(moved);
        operandTo_ = {back};
        ran = true;
        break;
    }
    case TFileOperation::foRename:
        if (undoFrom_.size() == 1) {
            SetOperation(TFileOperation::foRename);
            SetFlags(lastFlags_ + TFileOperationFlags{foAllowUndo, foNoConfirmation});
            std::vector<std::string> from = {undoTo_[0]}, to = {undoFrom_[0]};
            operandFrom_ = std::move(from);
            operandTo_ = std::move(to);
            ran = true;
        }
        break;
    case TFileOperation::foDelete:
        break;
    }
    if (ran) ok = Execute();
    SetOperation(savedOperation);
    SetFlags(savedFlags);
    return ok;
}

} // namespace shell
