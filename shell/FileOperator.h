// Copy, move, delete and rename of files and folders through the shell's file operation, with its
// progress, confirmations and recycle bin, and one level of undo.
#pragma once

#include "kovalin/Handles.h"
#include "kovalin/Set.h"

#include <shellapi.h>

#include <cstddef>

#include <string>
#include <vector>

namespace kovalin {
class TWinControl;
}

namespace shell {

enum class TFileOperation { foCopy, foDelete, foMove, foRename };
enum class TFileOperationFlag {
    foAllowUndo,
    foConfirmMouse,
    foFilesOnly,
    foMultiDestFiles,
    foNoConfirmation,
    foNoConfirmMkDir,
    foRenameOnCollision,
    foSilent,
    foSimpleProgress,
};
using TFileOperationFlags = kovalin::TSet<TFileOperationFlag>;

namespace detail {
inline void FreeNameMappings(HANDLE h) {
    SHFreeNameMappings(h);
}
} // namespace detail
using UniqueNameMappings =
    kovalin::UniqueHandle<kovalin::detail::NullTraits<HANDLE, detail::FreeNameMappings>>;

class TFileOperator {
public:
    // The owner's form owns the shell's dialogs; without an owner, the application window does.
    explicit TFileOperator(kovalin::TWinControl* owner = nullptr);
    TFileOperator(const TFileOperator&) = delete;
    TFileOperator& operator=(const TFileOperator&) = delete;
    ~TFileOperator() = default;

    // Operation and Flags live in the shell record itself.
    TFileOperation Operation() const;
    void SetOperation(TFileOperation operation);
    TFileOperationFlags Flags() const;
    void SetFlags(TFileOperationFlags flags);
    bool WantMappingHandle() const { return (op_.fFlags & FOF_WANTMAPPINGHANDLE) != 0; }
    void SetWantMappingHandle(bool value);
    const std::string& ProgressTitle() const { return progressTitle_; }
    void SetProgressTitle(const std::string& title) { progressTitle_ = title; }

    // Paths for the next run; both lists are empty again after it.
    std::vector<std::string>& OperandFrom() { return operandFrom_; }
    std::vector<std::string>& OperandTo() { return operandTo_; }

    // Runs the operation; true when it succeeded, or when the user declined part of it (the shell
    // reports that as success: see AnyOperationsAborted). False as well when a source was missing,
    // or a move or delete left a source behind.
    bool Execute();
    // Reverses the last undoable run; false when there is none or the reversal failed.
    bool UndoExecute();
    void ClearUndo();

    bool CanUndo() const { return canUndo_; }
    const std::vector<std::string>& UndoFrom() const { return undoFrom_; }
    const std::vector<std::string>& UndoTo() const { return undoTo_; }
    TFileOperation LastOperation() const { return lastOperation_; }
    TFileOperationFlags LastFlags() const { return lastFlags_; }

    // Set by the shell when the user cancelled all or part of the last run.
    bool AnyOperationsAborted() const { return op_.fAnyOperationsAborted != FALSE; }
    // The shell's list of renamed files of the last run, when WantMappingHandle asked for it.
    HANDLE NameMappings() const { return mappings_.get(); }
    // The record handed to the shell (its layout is the system's; pointers are only set during a run).
    const SHFILEOPSTRUCTA& Data() const { return op_; }

private:
    HWND OwnerWindow() const;
    bool RunShell(bool& reversible);

    kovalin::TWinControl* owner_;
    SHFILEOPSTRUCTA op_{};
    UniqueNameMappings mappings_;
    std::string progressTitle_ = "File Operation";
    std::vector<std::string> operandFrom_, operandTo_;
    std::vector<std::string> undoFrom_, undoTo_;
    TFileOperation lastOperation_ = TFileOperation::foCopy;
    TFileOperationFlags lastFlags_;
    bool canUndo_ = false;
};

} // namespace shell

#ifndef _WIN64
// The record is the system's packed 32-bit one.
static_assert(sizeof(SHFILEOPSTRUCTA) == 30);
static_assert(offsetof(SHFILEOPSTRUCTA, wFunc) == 4);
static_assert(offsetof(SHFILEOPSTRUCTA, pFrom) == 8);
static_assert(offsetof(SHFILEOPSTRUCTA, pTo) == 12);
static_assert(offsetof(SHFILEOPSTRUCTA, fFlags) == 16);
static_assert(offsetof(SHFILEOPSTRUCTA, fAnyOperationsAborted) == 18);
static_assert(offsetof(SHFILEOPSTRUCTA, hNameMappings) == 22);
static_assert(offsetof(SHFILEOPSTRUCTA, lpszProgressTitle) == 26);
#endif
