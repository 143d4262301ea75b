#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "records/FileError.h"

namespace callpad {

class FileFaults;

// Where the program's "c:\..." files live. The program names every file by its drive-C path
// ("c:\callpadRT.txt"); this class maps such a path to the real file. On Windows that is the folder
// C:\callpad\, which every account of the PC may change; elsewhere a per-user data folder, which may be
// a link to a folder that several accounts or PCs share. Tests give a temporary folder.
class DataFolder {
public:
    // `home` is written as "~" in the paths shown to the user; empty shows every path whole.
    explicit DataFolder(std::filesystem::path root, std::filesystem::path home = {});

    // The data folder of this machine: C:\callpad\ on Windows, else $XDG_DATA_HOME/callpad
    // (~/.local/share/callpad). Nothing is created here; writers create the folder on first use.
    static DataFolder forThisMachine();
    // Where this account's exported workbook goes: on Windows the data folder; elsewhere the user's
    // documents folder (see documentsFolder()), looked up afresh at each call.
    static DataFolder workbookFolderForThisMachine();

    const std::filesystem::path& root() const { return m_root; }
    // The data folder, or the account's own folder for the workbook where that is another folder.
    FolderKind kind() const { return m_kind; }

    // The real path of "c:\<name>" as the user should see it in a message, the home folder written
    // as "~": "~/.local/share/callpad/田中callpad.txt".
    std::string shownPath(std::string_view drivePath) const;
    // The folder itself, the same way.
    std::string shownRoot() const;

    // Throws FileError (operation Reach) when the folder, or a folder above it, is a link whose
    // target does not exist: a share that is not mounted must not read as an empty folder.
    void checkReachable() const;

    // Where the files lay before they moved to this folder (C:\ on Windows); empty for none. Tests
    // give a temporary folder.
    void useFormerFolder(std::filesystem::path formerRoot) { m_formerRoot = std::move(formerRoot); }
    // Throws FileError (operation LeftInFormerFolder) when "c:\<name>", missing here, still lies in the
    // former folder: the user has to move the files, and the program must not start a new empty file.
    void checkNotLeftInFormerFolder(std::string_view drivePath) const;

    // The mount table that tells how the folder is mounted; tests give their own.
    void useMountTable(std::filesystem::path mountTable) { m_mountTable = std::move(mountTable); }
    const std::filesystem::path& mountTable() const { return m_mountTable; }

    // "c:\abc.txt" -> root/"abc.txt". The part after "c:\" must be a plain file name; callers check
    // user-given names with checkFileNamePart() before they build a path from them.
    std::filesystem::path resolve(std::string_view drivePath) const;

    // Makes sure the folder exists (for writers); throws FileError (CreateFolder) when it cannot be
    // created, or (Reach) is not reachable, and then creates nothing.
    void create() const;

    // Tests make the file layer fail through this; copies of the folder share the plan.
    void injectFaults(std::shared_ptr<FileFaults> faults) { m_faults = std::move(faults); }
    // The failures planned for the file layer, or null (always null outside tests).
    FileFaults* faults() const { return m_faults.get(); }

private:
    std::string shown(const std::filesystem::path& real) const;

    std::filesystem::path m_root;
    std::filesystem::path m_home;
    FolderKind m_kind = FolderKind::Data;
    std::filesystem::path m_formerRoot;
    std::filesystem::path m_mountTable = "/proc/self/mounts";
    std::shared_ptr<FileFaults> m_faults;
};

// Why a piece of text cannot stand in a file name of the data folder.
enum class FileNameProblem {
    None,
    Separator,          // "/" or "\"
    ReservedCharacter,  // : * ? " < > |
    ControlCharacter,   // U+0000 to U+001F or U+007F
    DotName,            // only dots, as "." or ".." that name folders
    TooLong,            // longer than the file system allows, with the temporary file's suffix
    DeviceName,         // the part before the first dot is a device name of Windows (CON, COM1, ...)
};

// Checks the file name "prefix + part + suffix" that a user-given part (a recipient name) becomes,
// together with the suffix of its temporary file. Device names are refused on every system, since
// Linux and Windows PCs may share the folder.
FileNameProblem checkFileNamePart(std::string_view part, std::string_view prefix, std::string_view suffix);

}  // namespace callpad
