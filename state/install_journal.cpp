#include "state/install_journal.h"

#include "platform/text936.h"

namespace state {

namespace {

void AddOnce(std::vector<std::string>& list, const std::string& entry) {
    for (const std::string& existing : list) {
        if (text936::EqualsNoCase(existing, entry))
            return;
    }
    list.push_back(entry);
}

}  // namespace

void InstallJournal::Write(const std::string& text) {
    if (log_ && !log_->WriteLine(text))
        logFailed_ = true;
}

void InstallJournal::Note(const std::string& text) {
    Write(text);
}

void InstallJournal::Problem(const std::string& text) {
    problems_.push_back(text);
    Write("问题：" + text);
}

void InstallJournal::FileInstalled(const InstalledFile& file) {
    const std::uint32_t hash = text936::HashNoCase(file.path);
    for (std::size_t i = 0; i < installedFiles_.size(); ++i) {
        InstalledFile& existing = installedFiles_[i];
        if (installedHashes_[i] == hash && text936::EqualsNoCase(existing.path, file.path)) {
            existing.size = file.size;
            existing.crc = file.crc;
            return;
        }
    }
    installedFiles_.push_back(file);
    installedHashes_.push_back(hash);
}

void InstallJournal::DemandLoadKeyWritten(const std::string& key) {
    AddOnce(demandLoadKeys_, key);
}

void InstallJournal::TrustedPathAdded(const std::string& variables) {
    AddOnce(trustedPathKeys_, variables);
}

void InstallJournal::FontCopied(const std::string& path) {
    AddOnce(fonts_, path);
}

std::string SummariseProblems(const std::vector<std::string>& problems, std::size_t maxLines) {
    std::string summary;
    const std::size_t shown = problems.size() <= maxLines + 1 ? problems.size() : maxLines;
    for (std::size_t i = 0; i < shown; ++i) {
        if (!summary.empty())
            summary += "\n";
        summary += problems[i];
    }
    if (shown < problems.size()) {
        summary += "\n……另有 " + std::to_string(problems.size() - shown) + " 项问题，详见日志";
    }
    return summary;
}

}  // namespace state
