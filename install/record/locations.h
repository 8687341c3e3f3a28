#pragma once
// Where the installation takes its files from and where the last one went, and whether AutoCAD
// is running. Every lookup is made afresh by each caller; nothing here keeps state.

#include <memory>
#include <string>

#include "files/paths.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "state/install_journal.h"

namespace install {

enum PathKind { kPathMissing = 0, kPathFile = 1, kPathFolder = 2 };

// Folder names and file names the installer relies on.
constexpr char kDataFolderName[] = "Data";
constexpr char kSourceMarkerFile[] = "Brelix2010.arx";
constexpr char kRecordKeyRead[] = "Software\\Brelix";
constexpr char kRecordKeyWrite[] = "SOFTWARE\\Brelix";
constexpr char kRecordValueName[] = "Brelix_Path";
using files::kPathBufferSize;

// What exists at `path` (one FindFirst on the exact path): missing, a file or a folder.
int GetPathKind(platform::FileSystem& files, const std::string& path);

// The installation source: "<program folder>\Data" when that is a folder, else the program
// folder itself when it holds Brelix2010.arx. On failure shows the missing-source message
// (owned by the active window) and leaves "<program folder>\Brelix2010.arx" in `source`. A
// program path too long to be known whole counts as no source (`source` empty).
bool LocateSourceFolder(platform::Services& services, std::string& source);

// True when a running executable's lower-cased name contains "acad.exe". False when no snapshot
// can be taken. With `log`, each such process is named there (image, id, session), so that an
// administrator can tell which one stopped the run.
bool IsAcadRunning(platform::ProcessList& processes, state::InstallJournal* log = nullptr);

// "acad.exe（进程 ID 2044，会话 1）", as the log names a running process.
std::string DescribeProcess(const platform::RunningProcess& process);

// HKEY_LOCAL_MACHINE in the view that holds the product's record: the 32-bit view, where the
// 32-bit build has always kept it, so that both builds find each other's installation. Everything
// that belongs with the record is kept in this view. nullptr on failure.
std::unique_ptr<platform::RegistryKey> OpenRecordRoot(platform::Registry& registry);

// Reads the product folder recorded by the last successful installation, from the record's view;
// when that holds none, from the 64-bit view, where earlier 64-bit builds kept it. True when the
// text is longer than one byte. `folder` receives the text read (empty when there is no key or
// value, when the value is not text, or when it or its expansion does not fit the 260-byte buffer,
// which counts as no record).
bool ReadPreviousFolder(platform::Registry& registry,
                        platform::Environment& environment,
                        std::string& folder);

// Records `folder` as this installation's product folder (REG_SZ with its zero byte) in the
// record's view. False when it was not written, also for a folder that does not fit the 260-byte
// buffer.
bool RecordProductFolder(platform::Registry& registry, const std::string& folder);

// "HKLM\SOFTWARE\Brelix" ("HKLM\SOFTWARE\WOW6432Node\Brelix" on 64-bit Windows), as the log and
// the problem list name the record.
std::string RecordKeyDisplayName(platform::Registry& registry);

}  // namespace install
