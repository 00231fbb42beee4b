#include "shell/FileOperator.h"

#include "kovalin/Application.h"
#include "kovalin/Button.h"
#include "kovalin/Form.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <map>

using namespace kovalin;
using namespace shell;
using namespace testsupport;
using enum TFileOperation;
using enum TFileOperationFlag;

namespace {

// Every file and folder below a folder: relative path to content ("<dir>" for folders).
using Tree = std::map<std::string, std::string>;

void ReadTree(const std::string& folder, const std::string& prefix, Tree& tree) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree[prefix + name] = "<dir>";
            ReadTree(folder + "\\" + name, prefix + name + "\\", tree);
        } else {
            tree[prefix + name] = ReadFileBytes(folder + "\\" + name);
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

Tree TreeOf(const std::string& folder) {
    Tree tree;
    ReadTree(folder, "", tree);
    return tree;
}

// The entries of `tree` below `name` (itself included), as they would lie in another folder.
Tree Part(const Tree& tree, const std::string& name) {
    Tree part;
    for (const auto& [path, content] : tree)
        if (path == name || path.rfind(name + "\\", 0) == 0) part[path] = content;
    return part;
}

Tree Merge(Tree a, const Tree& b) {
    a.insert(b.begin(), b.end());
    return a;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Wine's recycle bin is the desktop's trash folder under XDG_DATA_HOME (the test runner points
// that into the build folder); empty when it cannot be found.
std::string TrashFiles() {
    char unixPath[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("XDG_DATA_HOME", unixPath, sizeof unixPath);
    if (n == 0 || n >= sizeof unixPath || unixPath[0] != '/') return std::string();
    std::string path = "Z:" + std::string(unixPath) + "/Trash/files";
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

class FileOperatorTest : public ::testing::Test {
protected:
    TempDir temp;
    std::string src = temp / "src", dst = temp / "dst";
    Tree original;

    void SetUp() override {
        Application().Initialize();
        CreateDirectoryA(src.c_str(), nullptr);
        CreateDirectoryA(dst.c_str(), nullptr);
        WriteFileBytes(src + "\\a.txt", "first file\r\n");
        std::string binary;
        for (int i = 0; i < 70000; ++i)
            binary += static_cast<char>((i * 7 + i / 256) & 0xFF);
        WriteFileBytes(src + "\\b.bin", binary);
        CreateDirectoryA((src + "\\F").c_str(), nullptr);
        WriteFileBytes(src + "\\F\\inner.txt", "inside F");
        CreateDirectoryA((src + "\\F\\G").c_str(), nullptr);
        WriteFileBytes(src + "\\F\\G\\deep.bin", std::string("\0\1\2\3\377", 5));
        original = TreeOf(src);
    }

    // Runs that must not ask anything.
    static TFileOperationFlags Quiet(TFileOperationFlags flags = {foAllowUndo, foNoConfirmMkDir}) {
        return flags + TFileOperationFlags{foSilent, foNoConfirmation};
    }

    bool Run(TFileOperator& op, TFileOperation operation, std::vector<std::string> from,
             std::vector<std::string> to, TFileOperationFlags flags) {
        op.SetOperation(operation);
        op.SetFlags(flags);
        op.OperandFrom() = std::move(from);
        op.OperandTo() = std::move(to);
        return op.Execute();
    }
};

} // namespace

TEST_F(FileOperatorTest, RecordHoldsOperationAndFlagsAsTheShellReadsThem) {
    TFileOperator op;
    EXPECT_EQ(op.Operation(), foCopy);
    EXPECT_EQ(op.Flags(), (TFileOperationFlags{foAllowUndo, foNoConfirmMkDir}));
    EXPECT_EQ(op.Data().fFlags, 0x0240);
    EXPECT_EQ(op.ProgressTitle(), "File Operation");
    EXPECT_FALSE(op.WantMappingHandle());
    EXPECT_FALSE(op.CanUndo());

    const std::pair<TFileOperation, UINT> codes[] = {{foMove, 1}, {foCopy, 2}, {foDelete, 3}, {foRename, 4}};
    for (auto [operation, code] : codes) {
        op.SetOperation(operation);
        EXPECT_EQ(op.Data().wFunc, code);
        EXPECT_EQ(op.Operation(), operation);
    }

    const std::pair<TFileOperationFlag, FILEOP_FLAGS> bits[] = {
        {foAllowUndo, 0x40},         {foConfirmMouse, 0x02},   {foFilesOnly, 0x80},
        {foMultiDestFiles, 0x01},    {foNoConfirmation, 0x10}, {foNoConfirmMkDir, 0x200},
        {foRenameOnCollision, 0x08}, {foSilent, 0x04},         {foSimpleProgress, 0x100},
    };
    for (auto [flag, bit] : bits) {
        op.SetFlags({flag});
        EXPECT_EQ(op.Data().fFlags, bit);
        EXPECT_EQ(op.Flags(), TFileOperationFlags{flag});
    }
    // The mapping-handle request is a shell flag outside the set and survives setting the set.
    op.SetWantMappingHandle(true);
    op.SetFlags({foSilent});
    EXPECT_EQ(op.Data().fFlags, 0x0024);
    EXPECT_TRUE(op.WantMappingHandle());
}

TEST_F(FileOperatorTest, CopyThenUndoDeletesTheCopiesOnceAndOnlyOnce) {
    TFileOperator op;
    ASSERT_TRUE(Run(op, foCopy, {src + "\\a.txt", src + "\\b.bin", src + "\\F"}, {dst}, Quiet()));
    EXPECT_EQ(TreeOf(dst), original);
    EXPECT_EQ(TreeOf(src), original);
    EXPECT_TRUE(op.OperandFrom().empty());
    EXPECT_TRUE(op.OperandTo().empty());
    ASSERT_TRUE(op.CanUndo());
    EXPECT_EQ(op.UndoFrom(), (std::vector<std::string>{src + "\\a.txt", src + "\\b.bin", src + "\\F"}));
    EXPECT_EQ(op.UndoTo(), std::vector<std::string>{dst});
    EXPECT_EQ(op.LastOperation(), foCopy);

    // Whatever the operator is set to at the time of the undo stays set afterwards.
    op.SetOperation(foMove);
    op.SetFlags({foAllowUndo});
    EXPECT_TRUE(op.UndoExecute());
    EXPECT_EQ(TreeOf(dst), Tree());
    EXPECT_EQ(TreeOf(src), original);
    EXPECT_EQ(op.Operation(), foMove);
    EXPECT_EQ(op.Flags(), TFileOperationFlags{foAllowUndo});
    EXPECT_FALSE(op.CanUndo());
    std::string trash = TrashFiles();
    if (!trash.empty()) {
        EXPECT_FALSE(Exists(trash + "\\b.bin")) << "the copies do not go to the recycle bin";
    }

    EXPECT_FALSE(op.UndoExecute());
    EXPECT_EQ(TreeOf(src), original);
}

TEST_F(FileOperatorTest, MoveThenUndoMovesBackAndTheUndoCanItselfBeUndone) {
    TFileOperator op;
    ASSERT_TRUE(Run(op, foMove, {src + "\\a.txt", src + "\\F"}, {dst}, Quiet()));
    EXPECT_EQ(TreeOf(dst), Merge(Part(original, "a.txt"), Part(original, "F")));
    EXPECT_EQ(TreeOf(src), Part(original, "b.bin"));

    ASSERT_TRUE(op.UndoExecute());
    EXPECT_EQ(TreeOf(src), original);
    EXPECT_EQ(TreeOf(dst), Tree());
    // The move back is a move like any other.
    ASSERT_TRUE(op.CanUndo());
    EXPECT_EQ(op.UndoTo(), std::vector<std::string>{src});
    EXPECT_EQ(op.LastOperation(), foMove);

    ASSERT_TRUE(op.UndoExecute());
    EXPECT_EQ(TreeOf(dst), Merge(Part(original, "a.txt"), Part(original, "F")));
    EXPECT_EQ(TreeOf(src), Part(original, "b.bin"));
}

TEST_F(FileOperatorTest, DeleteWithAndWithoutTheRecycleBin) {
    std::string trash = TrashFiles();
    // Names no earlier run has left in the recycle bin.
    std::string stamp = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    std::string kept = "binned-" + stamp + ".bin", gone = "erased-" + stamp + ".txt";
    std::string keptBytes = ReadFileBytes(src + "\\b.bin");
    MoveFileA((src + "\\b.bin").c_str(), (src + "\\" + kept).c_str());
    MoveFileA((src + "\\a.txt").c_str(), (src + "\\" + gone).c_str());

    TFileOperator op;
    ASSERT_TRUE(Run(op, foDelete, {src + "\\" + gone, src + "\\F"}, {}, Quiet({})));
    EXPECT_EQ(TreeOf(src), (Tree{{kept, keptBytes}}));
    EXPECT_FALSE(op.CanUndo());
    if (!trash.empty()) {
        EXPECT_FALSE(Exists(trash + "\\" + gone));
    }

    // A delete is never undoable, recycle bin or not.
    ASSERT_TRUE(Run(op, foDelete, {src + "\\" + kept}, {}, Quiet()));
    EXPECT_EQ(TreeOf(src), Tree());
    EXPECT_FALSE(op.CanUndo());
    if (trash.empty()) GTEST_SKIP() << "no recycle bin folder to check (XDG_DATA_HOME unset)";
    EXPECT_EQ(ReadFileBytes(trash + "\\" + kept), keptBytes);
    DeleteFileA((trash + "\\" + kept).c_str());
    DeleteFileA((trash + "\\..\\info\\" + kept + ".trashinfo").c_str());
}

TEST_F(FileOperatorTest, RenameOfFilesAndFoldersAndItsUndo) {
    TFileOperator op;
    // Default flags, no silence asked for: a rename never involves the shell's dialogs.
    ASSERT_TRUE(Run(op, foRename, {src + "\\F"}, {src + "\\H"}, op.Flags()));
    Tree renamed;
    for (const auto& [path, content] : original)
        renamed[path.rfind("F", 0) == 0 ? "H" + path.substr(1) : path] = content;
    EXPECT_EQ(TreeOf(src), renamed);
    ASSERT_TRUE(op.CanUndo());
    EXPECT_EQ(op.LastOperation(), foRename);

    ASSERT_TRUE(op.UndoExecute());
    EXPECT_EQ(TreeOf(src), original);
    // And undoing that renames once more.
    EXPECT_TRUE(op.CanUndo());

    ASSERT_TRUE(Run(op, foRename, {src + "\\a.txt"}, {src + "\\c.txt"}, op.Flags()));
    EXPECT_EQ(ReadFileBytes(src + "\\c.txt"), original["a.txt"]);
    EXPECT_FALSE(Exists(src + "\\a.txt"));
}

TEST_F(FileOperatorTest, RenameOntoAnExistingNameFailsAndKeepsBoth) {
    TFileOperator op;
    EXPECT_FALSE(Run(op, foRename, {src + "\\a.txt"}, {src + "\\b.bin"}, op.Flags()));
    EXPECT_EQ(TreeOf(src), original);
    EXPECT_FALSE(op.CanUndo());
    EXPECT_FALSE(op.UndoExecute());
    EXPECT_EQ(TreeOf(src), original);
}

TEST_F(FileOperatorTest, DeclinedOverwriteLosesNothingAndLeavesNothingToUndo) {
    WriteFileBytes(dst + "\\a.txt", "the older a.txt");
    TFileOperator op;
    ASSERT_TRUE(Run(op, foCopy, {src + "\\F"}, {dst}, Quiet())); // something to undo
    ASSERT_TRUE(op.CanUndo());
    Tree before = TreeOf(dst);

    // The shell asks; the user says no.
    WhenWindowAppears answer("Confirm file overwrite", [](HWND dialog) {
        SendMessageA(FindChild(dialog, "Button", "&No"), BM_CLICK, 0, 0);
    });
    bool result = Run(op, foCopy, {src + "\\a.txt"}, {dst}, {foAllowUndo, foNoConfirmMkDir});
    ASSERT_TRUE(answer.Fired());
    // The shell counts a declined file as a cancelled part of a completed run.
    EXPECT_TRUE(!result || op.AnyOperationsAborted());
    EXPECT_EQ(TreeOf(dst), before);
    EXPECT_EQ(TreeOf(src), original);
    // Undoing would delete the older a.txt, which this run never made.
    EXPECT_FALSE(op.CanUndo());
    EXPECT_FALSE(op.UndoExecute());
    EXPECT_EQ(TreeOf(dst), before);

    WhenWindowAppears cancel("Confirm file overwrite", [](HWND dialog) {
        SendMessageA(FindChild(dialog, "Button", "Cancel"), BM_CLICK, 0, 0);
    });
    EXPECT_FALSE(Run(op, foCopy, {src + "\\a.txt"}, {dst}, {foAllowUndo, foNoConfirmMkDir}));
    EXPECT_TRUE(cancel.Fired());
    EXPECT_EQ(TreeOf(dst), before);
}

TEST_F(FileOperatorTest, AnOverwriteCannotBeUndone) {
    WriteFileBytes(dst + "\\a.txt", "the older a.txt");
    TFileOperator op;
    ASSERT_TRUE(Run(op, foCopy, {src + "\\a.txt", src + "\\b.bin"}, {dst}, Quiet()));
    EXPECT_EQ(TreeOf(dst), Merge(Part(original, "a.txt"), Part(original, "b.bin")));
    // Deleting the copies would take the replaced file's name with them.
    EXPECT_FALSE(op.CanUndo());
    EXPECT_FALSE(op.UndoExecute());
    EXPECT_EQ(TreeOf(dst), Merge(Part(original, "a.txt"), Part(original, "b.bin")));
}

TEST_F(FileOperatorTest, AmongManyFilesOneOverwriteOneVanishedOrOneLeftBehindIsSeen) {
    // Enough names in one folder that the checks around the run answer most of them from one
    // listing of it; the one that differs comes late and in another letter case.
    std::vector<std::string> many;
    for (int i = 0; i < 40; ++i) {
        many.push_back(src + "\\m" + std::to_string(100 + i) + ".txt");
        WriteFileBytes(many.back(), "file " + std::to_string(i));
    }
    WriteFileBytes(dst + "\\M135.TXT", "the older one");
    TFileOperator op;
    ASSERT_TRUE(Run(op, foCopy, many, {dst}, Quiet()));
    EXPECT_EQ(ReadFileBytes(dst + "\\m135.txt"), "file 35");
    EXPECT_FALSE(op.CanUndo()) << "deleting the copies would take the replaced file's name with them";

    // A source gone before the move: a failure, and every file whole in one of the two folders.
    for (const std::string& copy : many)
        DeleteFileA((dst + copy.substr(src.size())).c_str());
    DeleteFileA(many[30].c_str());
    EXPECT_FALSE(Run(op, foMove, many, {dst}, Quiet()));
    EXPECT_FALSE(op.CanUndo());
    for (int i = 0; i < 40; ++i) {
        if (i == 30) continue;
        const std::string name = many[static_cast<size_t>(i)].substr(src.size());
        const std::string where = Exists(src + name) ? src + name : dst + name;
        EXPECT_EQ(ReadFileBytes(where), "file " + std::to_string(i)) << name;
    }

    // A delete that leaves one file behind (held open) is no success.
    std::vector<std::string> moved;
    for (int i = 0; i < 40; ++i)
        if (i != 30) moved.push_back(dst + many[static_cast<size_t>(i)].substr(src.size()));
    for (const std::string& file : moved)
        if (!Exists(file)) MoveFileA((src + file.substr(dst.size())).c_str(), file.c_str());
    HANDLE held =
        CreateFileA(moved[33].c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(Run(op, foDelete, moved, {}, Quiet({})));
    CloseHandle(held);
    EXPECT_EQ(ReadFileBytes(moved[33]), "file 34");
}

TEST_F(FileOperatorTest, ReadOnlyTargetsAreKept) {
    SetFileAttributesA((src + "\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    TFileOperator op;
    EXPECT_FALSE(Run(op, foDelete, {src + "\\a.txt"}, {}, Quiet({})));
    EXPECT_EQ(TreeOf(src), original);

    WriteFileBytes(dst + "\\b.bin", "read-only b.bin");
    SetFileAttributesA((dst + "\\b.bin").c_str(), FILE_ATTRIBUTE_READONLY);
    WhenWindowAppears answer("Confirm file overwrite", [](HWND dialog) {
        SendMessageA(FindChild(dialog, "Button", "&No"), BM_CLICK, 0, 0);
    });
    bool result = Run(op, foCopy, {src + "\\b.bin"}, {dst}, {foAllowUndo, foNoConfirmMkDir});
    ASSERT_TRUE(answer.Fired());
    EXPECT_TRUE(!result || op.AnyOperationsAborted());
    EXPECT_EQ(ReadFileBytes(dst + "\\b.bin"), "read-only b.bin");
    EXPECT_TRUE(GetFileAttributesA((dst + "\\b.bin").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(TreeOf(src), original);
    EXPECT_FALSE(op.CanUndo());
}

TEST_F(FileOperatorTest, AVanishedSourceFailsAndLosesNothing) {
    TFileOperator op;
    std::string missing = src + "\\gone.txt";
    EXPECT_FALSE(Run(op, foCopy, {src + "\\a.txt", missing}, {dst}, Quiet()));
    EXPECT_FALSE(op.CanUndo());
    EXPECT_EQ(TreeOf(src), original);

    bool moved = Run(op, foMove, {src + "\\a.txt", missing, src + "\\F"}, {dst}, Quiet());
    EXPECT_FALSE(moved);
    EXPECT_FALSE(op.CanUndo());
    // Each file is in one of the two folders, whole.
    EXPECT_EQ(Merge(TreeOf(src), TreeOf(dst)), original);

    EXPECT_FALSE(Run(op, foDelete, {missing}, {}, Quiet({})));
}

TEST_F(FileOperatorTest, AMoveTheShellDidNotCarryOutIsAFailure) {
    // Moving a folder onto one of the same name merges the two; where the shell reports success
    // without having moved anything (as Wine's does), the operator must not.
    CreateDirectoryA((dst + "\\F").c_str(), nullptr);
    WriteFileBytes(dst + "\\F\\other.txt", "other");
    TFileOperator op;
    bool moved = Run(op, foMove, {src + "\\F"}, {dst}, Quiet());
    Tree merged = Merge(Part(original, "F"), Tree{{"F\\other.txt", "other"}});
    if (moved) {
        EXPECT_EQ(TreeOf(dst), merged);
        EXPECT_FALSE(Exists(src + "\\F"));
    } else {
        EXPECT_EQ(TreeOf(src), original);
        EXPECT_EQ(TreeOf(dst), (Tree{{"F", "<dir>"}, {"F\\other.txt", "other"}}));
    }
    EXPECT_FALSE(op.CanUndo()) << "moving back would take other.txt along";
}

TEST_F(FileOperatorTest, EmptyListsRunNothing) {
    // The shell would copy into the current directory when given no destination.
    std::string cwd = temp / "cwd";
    CreateDirectoryA(cwd.c_str(), nullptr);
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    SetCurrentDirectoryA(cwd.c_str());
    TFileOperator op;
    bool copied = Run(op, foCopy, {src + "\\a.txt"}, {}, Quiet());
    bool moved = Run(op, foMove, {src + "\\b.bin"}, {}, Quiet());
    SetCurrentDirectoryA(saved);
    EXPECT_FALSE(copied);
    EXPECT_FALSE(moved);
    EXPECT_EQ(TreeOf(cwd), Tree());
    EXPECT_EQ(TreeOf(src), original);

    EXPECT_FALSE(Run(op, foCopy, {}, {dst}, Quiet()));
    EXPECT_FALSE(Run(op, foRename, {}, {}, Quiet()));
    EXPECT_FALSE(Run(op, foRename, {src + "\\a.txt"}, {}, Quiet()));
    EXPECT_EQ(TreeOf(src), original);
    EXPECT_EQ(TreeOf(dst), Tree());
}

TEST_F(FileOperatorTest, OnlyPlainCopiesMovesAndRenamesAreUndoable) {
    TFileOperator op;
    ASSERT_TRUE(Run(op, foCopy, {src + "\\a.txt"}, {dst}, Quiet()));
    EXPECT_TRUE(op.CanUndo());
    ASSERT_TRUE(
        Run(op, foCopy, {src + "\\b.bin"}, {temp / "b-copy.bin"}, Quiet({foAllowUndo, foMultiDestFiles})));
    EXPECT_FALSE(op.CanUndo());
    EXPECT_TRUE(op.UndoFrom().empty());

    ASSERT_TRUE(Run(op, foCopy, {src + "\\F"}, {dst}, Quiet({foNoConfirmMkDir})));
    EXPECT_FALSE(op.CanUndo()) << "without foAllowUndo";

    ASSERT_TRUE(Run(op, foCopy, {src + "\\b.bin"}, {dst}, Quiet({foAllowUndo, foRenameOnCollision})));
    EXPECT_FALSE(op.CanUndo());

    // A copy under a new name: the undo would look for the copy under the old one.
    ASSERT_TRUE(Run(op, foCopy, {src + "\\a.txt"}, {dst + "\\renamed.txt"}, Quiet()));
    EXPECT_FALSE(op.CanUndo());
    EXPECT_EQ(ReadFileBytes(dst + "\\renamed.txt"), original["a.txt"]);
}

TEST_F(FileOperatorTest, ShellDialogsBelongToTheOwnersForm) {
    TForm form({.caption = "Owner"});
    TButton button(form, {.caption = "Go"});
    TFileOperator owned(&button), unowned;
    Run(owned, foCopy, {src + "\\a.txt"}, {dst}, Quiet());
    Run(unowned, foCopy, {src + "\\b.bin"}, {dst}, Quiet());
    EXPECT_EQ(owned.Data().hwnd, form.Handle());
    EXPECT_EQ(unowned.Data().hwnd, Application().Handle());
}
