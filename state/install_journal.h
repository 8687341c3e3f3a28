#pragma once
// What one run of the installer did and what went wrong. The install steps write into it; the
// end message, the log and the installation record read it. One instance lives for the whole
// process (owned beside the options), so a second press of the install button adds to it.
//
// Texts are code-page-936 bytes in the program's own voice, one event each, without a time stamp
// or a line break: the log adds both.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/log_sink.h"

namespace state {

// How the last press of the install button (or the silent run) ended.
enum class InstallOutcome {
    NotRun,                 // nothing attempted yet
    AcadRunning,            // refused while AutoCAD runs; nothing changed
    InvalidRoot,            // the root was refused; nothing changed
    SourceMissing,          // no Data folder; nothing changed
    NewerInstalled,         // a newer version is installed and no downgrade was allowed; nothing changed
    Stopped,                // stopped before or during the copy; nothing registered
    Installed,              // installed, nothing failed
    InstalledWithProblems,  // installed, but something was skipped or failed (see Problems())
};

// A shipped file now in the product folder, with what its copy wrote.
struct InstalledFile {
    std::string path;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;  // CRC-32 of the content

    bool operator==(const InstalledFile&) const = default;
};

class InstallJournal {
  public:
    // `sink` is not owned and must outlive the journal's use; nullptr detaches (no log).
    void AttachLog(platform::LogSink* sink) { log_ = sink; }
    bool HasLog() const { return log_ != nullptr; }
    void SetOutcome(InstallOutcome outcome) { outcome_ = outcome; }
    InstallOutcome Outcome() const { return outcome_; }

    // True once a line could not be written to the attached log.
    bool LogFailed() const { return logFailed_; }

    // An event worth a line in the log: a file copied, a value written, a list changed.
    void Note(const std::string& text);
    // Something skipped or failed: logged, and listed in the end message and the exit code.
    void Problem(const std::string& text);
    bool HasProblems() const { return !problems_.empty(); }
    const std::vector<std::string>& Problems() const { return problems_; }

    // What this installation put on the machine, for the installation record and the uninstall.
    // Each list keeps the order of the events and holds no entry twice (letter case ignored). Key
    // paths are relative to their root, without the root's name ("SOFTWARE\Autodesk\...").
    // A file installed again (a second press) keeps its place and takes the newer size and checksum.
    void FileInstalled(const InstalledFile& file);
    void DemandLoadKeyWritten(const std::string& key);    // HKLM path of an Applications\Brelix<year> key
    void TrustedPathAdded(const std::string& variables);  // HKCU path of a profile's Variables key
    void FontCopied(const std::string& path);             // a font file in an AutoCAD Fonts folder
    const std::vector<InstalledFile>& InstalledFiles() const { return installedFiles_; }
    const std::vector<std::string>& DemandLoadKeys() const { return demandLoadKeys_; }
    const std::vector<std::string>& TrustedPathKeys() const { return trustedPathKeys_; }
    const std::vector<std::string>& Fonts() const { return fonts_; }

    // What an earlier installation left registered and this one did not replace, one line each
    // (install/still_registered.h), for the end message; the last installation's only.
    void SetStillRegistered(std::vector<std::string> lines) { stillRegistered_ = std::move(lines); }
    const std::vector<std::string>& StillRegistered() const { return stillRegistered_; }

  private:
    void Write(const std::string& text);

    InstallOutcome outcome_ = InstallOutcome::NotRun;
    platform::LogSink* log_ = nullptr;
    bool logFailed_ = false;
    std::vector<std::string> problems_;
    std::vector<InstalledFile> installedFiles_;
    std::vector<std::uint32_t> installedHashes_;  // text936::HashNoCase of each path
    std::vector<std::string> demandLoadKeys_;
    std::vector<std::string> trustedPathKeys_;
    std::vector<std::string> fonts_;
    std::vector<std::string> stillRegistered_;
};

// The end message's list of problems: at most `maxLines` of them, then one line with the count
// of the rest ("……另有 N 项问题，详见日志"); one problem more than `maxLines` is listed itself,
// since its count would take the same line. Lines are joined with "\n".
std::string SummariseProblems(const std::vector<std::string>& problems, std::size_t maxLines = 10);

}  // namespace state
