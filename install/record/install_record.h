#pragma once
// The installation record: a small text file in the setup folder (below Program Files, where only
// administrators write) that lists what the installation put on the machine, so that the
// uninstall removes exactly that and no more. Earlier builds kept it in the product folder.
//
// Code-page-936 text, one entry a line (CRLF), fields separated by a tab, the path last:
//
//   Brelix结构工具箱 安装记录 1
//   VERSION     <the installed version, major.minor.patch>   (once; records of earlier builds have none)
//   FOLDER      <the product folder>   (once; records of earlier builds have none)
//   FILE        <size in bytes>  <CRC-32, 8 hex digits>  <path below the product folder>
//   EARLIERFOLDER  <a product folder an earlier installation used>   (any number)
//   EARLIERFILE <size>  <CRC-32>  <path below the EARLIERFOLDER line above it>
//   DEMANDLOAD  <HKLM path of an Applications\Brelix<year> key>
//   TRUSTEDPATHS  <HKCU path of a profile's Variables key>
//   FONT        <path of a font copied into an AutoCAD Fonts folder>
//
// Lines of other kinds are skipped, so a newer record still reads.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/paths.h"
#include "files/recorded_file.h"
#include "platform/files.h"
#include "state/install_journal.h"
#include "state/product_version.h"

namespace install {

constexpr char kInstallRecordName[] = "Brelix安装记录.txt";
// The next record while it is written; a run cut off before renaming it can leave it behind.
constexpr char kInstallRecordBeingWritten[] = "Brelix安装记录.txt.new";
constexpr char kUninstallerName[] = "Uninstall.exe";
// The largest file the uninstall reads (in pieces) to check it; the product ships nothing near this size.
constexpr std::size_t kLargestCheckedFile = 256u * 1024u * 1024u;

using files::RecordedFile;

// A product folder an earlier installation put files into before the root was moved; they stay
// there, registered as they were, until the uninstall.
struct EarlierFolder {
    std::string folder;
    std::vector<RecordedFile> files;  // below `folder`

    bool operator==(const EarlierFolder& other) const {
        return folder == other.folder && files == other.files;
    }
};

struct InstallRecord {
    std::vector<RecordedFile> files;
    std::vector<std::string> demandLoadKeys;
    std::vector<std::string> trustedPathKeys;
    std::vector<std::string> fonts;
    std::string productFolder;                                    // empty in a record of an earlier build
    std::vector<EarlierFolder> earlierFolders;                    // never `productFolder` itself
    std::optional<state::ProductVersion> version = std::nullopt;  // none in a record of an earlier build

    // The product folder followed by every earlier one.
    std::vector<std::string> AllFolders() const;

    bool operator==(const InstallRecord& other) const {
        return version == other.version && productFolder == other.productFolder && files == other.files &&
               earlierFolders == other.earlierFolders && demandLoadKeys == other.demandLoadKeys &&
               trustedPathKeys == other.trustedPathKeys && fonts == other.fonts;
    }
};

std::string FormatRecord(const InstallRecord& record);
// nullopt when the text does not start with the record's first line.
std::optional<InstallRecord> ParseRecord(const std::string& text);

// Adds `newer` to `record`: its version, when it names one, is the record's; a file listed in both takes the
// newer size and checksum; keys and fonts are added once (letter case ignored). When `newer` names another
// product folder, it becomes the record's, and the one `record` named, with its files, becomes an earlier
// folder; a folder that comes back takes its earlier files with it. Nothing of `record` is dropped.
void MergeRecord(InstallRecord& record, const InstallRecord& newer);

// What the log says this installation put into `productFolder` and on the machine. A file's size and
// checksum are those its copy wrote, the shipped content (a kept configuration file put back over it then
// counts as the user's); files outside the product folder are left out.
InstallRecord RecordFromJournal(const state::InstallJournal& log, const std::string& productFolder);

using files::PathBelow;

// The record kept in `folder` (the setup folder, or an earlier build's product folder); nullopt
// when there is none or it cannot be read.
std::optional<InstallRecord> ReadInstallRecord(platform::FileSystem& files, const std::string& folder);
bool WriteInstallRecord(platform::FileSystem& files, const std::string& folder, const InstallRecord& record);
// Writes `record` under the name a record is written under before it takes its own: proof that the
// record can be written, before anything is registered.
bool WriteRecordBeingWritten(platform::FileSystem& files,
                             const std::string& folder,
                             const InstallRecord& record);

// The records of `setupFolders` (newest first, as SetupFolders gives them) merged, oldest first;
// nullopt when none of them has one. `withRecord`, when given, gets the folders whose record was
// read, in the order they were merged.
std::optional<InstallRecord> ReadMergedRecord(platform::FileSystem& files,
                                              const std::vector<std::string>& setupFolders,
                                              std::vector<std::string>* withRecord = nullptr);
// The files `record` lists below `folder` (its product folder or an earlier one); nullopt when it
// names no such folder.
std::optional<std::vector<RecordedFile>> RecordedFilesIn(const InstallRecord& record,
                                                         const std::string& folder);

}  // namespace install
