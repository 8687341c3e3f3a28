#pragma once
// The swap journal: what a transaction in progress has done to a product folder, so that the next
// run can finish or undo what a run cut off left. It lives in the setup folder below Program Files,
// which only administrators write, one for each product folder, and is written whole (under a new
// name, then renamed over the one before) before each phase begins.
//
// The phases, what is on disk in each, and what recovery does with it:
//
//   phase      on disk                                          recovery
//   ---------  -----------------------------------------------  -----------------------------------------
//   STAGING    new files being written under staged names       deletes the tag's staged names, and the
//              beside the old files, which are untouched; new   new files written under their own names
//              files where nothing was, under their own names   that are still as the run could have
//                                                               left them
//   SWAPPING   some changes committed (the old file under its   commits every change when each one not yet
//              backup name, the new one under the name), the    committed is still staged as ours; rolls
//              others still staged                              every change back otherwise (and always
//                                                               for the uninstall)
//   SWAPPED    every new file in place; backups being deleted;  deletes the backups; names the new files
//              the record still describes the old files         for the run that goes on, or the uninstall
//   RECORDED   the record describes the new files; only the     deletes the backups
//              backups that could not be deleted are listed
//   UNDOING    a commit failed and the run rolls every change   rolls every change back
//              back, newest first; what it could not undo
//              stays listed
//
// Text in code page 936, CRLF lines, tab-separated fields:
//
//   BRELIX-SWAP
//   FOLDER   <product folder>
//   TAG      <tag>
//   PHASE    <phase>
//   E        <0 product folder | 1 library>  <old: 0 none | 1 file | 2 link>  <name>  <staged>  <backup>
//   N        <0 | 1>  <name>  <size>  [<CRC-32>]   a file written under its own name where the
//                                                  listing showed nothing: before it is written, at
//                                                  most <size> bytes; once written (SWAPPING,
//                                                  UNDOING), its size and checksum
//   F        <path below the product folder>  <size>  <CRC-32>   a new file in place before a record
//                                                                names it
//   END

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/file_result.h"
#include "files/recorded_file.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "state/install_journal.h"

namespace files {

enum class SwapPhase { Staging, Swapping, Swapped, Recorded, Undoing };

// The two folders a transaction works in.
enum class SwapFolder { Product = 0, Library = 1 };

// What stood under a name before its change.
enum class OldFile { None = 0, File = 1, Link = 2 };

struct JournalEntry {
    SwapFolder folder = SwapFolder::Product;
    OldFile old = OldFile::None;
    std::string name;
    std::string staged;
    std::string backup;
};

// A file the run writes under its own name in a folder that had nothing of that name: nothing of
// the user's to keep, so no staged name and no backup. Only a file that can be the run's own is
// ever deleted for it: the name's own plain file, of at most `size` bytes, or exactly `size` bytes
// with the checksum `crc` once it was written whole.
struct NewFileEntry {
    SwapFolder folder = SwapFolder::Product;
    std::string name;
    std::uint64_t size = 0;
    std::optional<std::uint32_t> crc;
};

struct SwapJournal {
    std::string productFolder;
    std::string tag;
    SwapPhase phase = SwapPhase::Staging;
    std::vector<JournalEntry> entries;
    // New files in place before a record named them: paths below the product folder.
    std::vector<RecordedFile> installed;
    std::vector<NewFileEntry> created;
};

// "<journalFolder>\BrelixSwap-<checksum of the product folder's name>.swp": one journal for each
// product folder, so that a run elsewhere never takes the place of one that waits for recovery.
// Empty when it, or the name it is written under first, would not fit the 260-byte buffer.
std::string SwapJournalPath(const std::string& journalFolder, const std::string& productFolder);

std::string FormatJournal(const SwapJournal& journal);
// The journal as FormatJournal writes it, or nullopt for anything else: every line must be one of ours.
std::optional<SwapJournal> ParseJournal(const std::string& text);

// Writes `journal` whole at `path`: never half a journal. On failure, the system's words for the call
// that failed, taken before the half-written name is deleted.
FileResult WriteJournal(platform::FileSystem& files,
                        platform::Environment& environment,
                        const std::string& path,
                        const SwapJournal& journal);
// The journal's text at `path`; nullopt when there is none, and also when it is there but cannot be
// read, which `unread` then names (and `log` reports).
std::optional<std::string> ReadJournalText(platform::FileSystem& files,
                                           platform::Environment& environment,
                                           const std::string& path,
                                           state::InstallJournal& log,
                                           std::string& unread);
// Deletes the journal at `path` and what a write of it cut off left. False when it is still there.
bool DeleteJournal(platform::FileSystem& files, const std::string& path);

}  // namespace files
