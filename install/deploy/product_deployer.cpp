#include "install/deploy/product_deployer.h"

#include <array>

#include "files/folder_listing.h"
#include "files/own_file.h"
#include "install/deploy/unchanged_file.h"
#include "install/record/locations.h"
#include "install/record/product_layout.h"
#include "platform/text936.h"

namespace install {

using files::HeldPath;
using files::IsLink;
using files::WalkEnd;
using files::WalkFolder;
using files::WalkStep;

namespace {

// Shipped beside the product but not part of it: the setup program, the fonts (they go into
// AutoCAD's font folders) and the product's own package file; with why, for the log.
struct NotDeployed {
    const char* name;
    const char* why;
};
constexpr char kFontWhy[] = "字体，复制到各 AutoCAD 的 Fonts 文件夹";
const std::array<NotDeployed, 4> kNotDeployed = {{
    {"SetUp.EXE", "安装程序本身"},
    {"Brelix_EN.shx", kFontWhy},
    {"Brelix_HZ.shx", kFontWhy},
    {"Brelix.prt", "产品的部件清单"},
}};
constexpr char kLeftOut[] = "按设计不安装：";

constexpr char kCopyFailedBefore[] = "拷贝文件 ";
constexpr char kCopyFailedAfter[] =
    " 失败，可能原因如下：\n\n1、AutoCAD未关闭\n\n2、系统权限未开放，请以管理者权限登陆系统";
constexpr char kCopyFailedCaption[] = "Brelix安装";
constexpr char kSourceNotOwn[] = "安装来源中的该文件是链接、另有名称（硬链接）或无法读取";
constexpr char kSourceNotHeld[] = "安装来源文件夹是链接（重解析点）、不在安装程序旁或无法锁定";
// What a message box returns when it could not be shown.
constexpr int kNoAnswer = 0;

// Why a file of the source's top level is not deployed; nullptr when it is.
const char* WhyNotDeployed(const std::string& name) {
    for (const NotDeployed& excluded : kNotDeployed) {
        if (text936::EqualsNoCase(name, excluded.name))
            return excluded.why;
    }
    return nullptr;
}

}  // namespace

// What `folder` holds now, listed once: a walk of thousands of files asks nothing more per file.
ProductDeployer::Listing ProductDeployer::ListingOf(const std::string& folder) {
    Listing listing;
    files::ListFolder(services_.files, JoinPath(folder, "*.*"), [&listing](const platform::DirEntry& entry) {
        if (listing.names.FindOrAdd(entry.name, listing.entries.size()).second)
            listing.entries.push_back(entry);
    });
    return listing;
}

const platform::DirEntry* ProductDeployer::Listing::Lookup(const std::string& name) const {
    const std::size_t index = names.Find(name, entries.size());
    return index < entries.size() ? &entries[index] : nullptr;
}

ProductDeployer::ProductDeployer(platform::Services& services,
                                 const std::string& installRoot,
                                 platform::ProgressBar& progress,
                                 DeployInputs inputs)
    : rootFolder_(text936::WithoutTrailingBackslash(installRoot)),
      inputs_(std::move(inputs)),
      services_(services),
      progress_(progress),
      log_(ownJournal_) {}

ProductDeployer::ProductDeployer(platform::Services& services,
                                 const std::string& installRoot,
                                 platform::ProgressBar& progress,
                                 state::InstallJournal& log,
                                 DeployInputs inputs)
    : rootFolder_(text936::WithoutTrailingBackslash(installRoot)),
      inputs_(std::move(inputs)),
      services_(services),
      progress_(progress),
      log_(log) {}

HeldSource* ProductDeployer::Source() {
    if (inputs_.source)
        return inputs_.source;
    if (!ownSource_) {
        std::string source = inputs_.sourceFolder;
        if (source.empty() && !LocateSourceFolder(services_, source))
            return nullptr;
        ownSource_ = std::make_unique<HeldSource>(services_.files);
        ownSource_->Hold(source);
    }
    return ownSource_.get();
}

bool ProductDeployer::DeployProductFiles() {
    HeldSource* held = Source();
    if (!held)
        return false;
    if (!held->Held()) {
        failure_ = files::FileResult::Failed(held->FailedLevel(), kSourceNotHeld);
        log_.Note("安装来源 " + held->FailedLevel() + " 无法安全读取（" + kSourceNotHeld +
                  "），产品文件没有安装");
        return false;
    }
    return StageFolder(*held, held->Folder(), JoinPath(rootFolder_, kProductFolderName), true);
}

bool ProductDeployer::DeployDrawingLibrary() {
    HeldSource* held = Source();
    if (!held || !held->Held()) {
        // No system error: the source's hold failed earlier, and stopped the product files then.
        log_.Problem("未找到或无法安全读取安装文件夹，扩展绘图库没有安装");
        return true;
    }
    const std::string librarySource = held->LibraryFolder();
    switch (held->Library()) {
        case HeldPath::Result::Missing:
            return true;  // the source ships none
        case HeldPath::Result::Link:
            // No system error: the program found a link and stays out of it.
            log_.Problem("扩展绘图库文件夹 " + librarySource + " 是一个链接（重解析点），其中的文件没有安装");
            return true;
        case HeldPath::Result::NotHeld:
            // No system error: the hold was tried when the source was held, before this step.
            log_.Problem("未能锁定扩展绘图库文件夹 " + librarySource + "，其中的文件没有安装");
            return true;
        case HeldPath::Result::Held:
            break;
    }
    const std::string libraryTarget =
        JoinPath(JoinPath(rootFolder_, kProductFolderName), kDrawingLibraryName);
    return StageFolder(*held, librarySource, libraryTarget, false);
}

bool ProductDeployer::StageFolder(HeldSource& held,
                                  const std::string& source,
                                  const std::string& target,
                                  bool productFiles) {
    platform::FileSystem& files = services_.files;
    const Listing existing = ListingOf(target);
    if (inputs_.transaction) {
        // What the folder lacks has nothing to keep: it is written under its own name, which the
        // swap's journal lists first.
        std::vector<platform::DirEntry> missing;
        files::ListFolder(files, JoinPath(source, "*.*"), [&](const platform::DirEntry& entry) {
            if (files::IsWalkedEntry(entry) && !existing.Lookup(entry.name) &&
                !(productFiles && WhyNotDeployed(entry.name)) &&
                !(inputs_.keeper && inputs_.keeper->Keeps(target, entry.name)))
                missing.push_back(entry);
        });
        inputs_.transaction->ExpectNew(target, missing);
    }
    const WalkEnd end = WalkFolder(
        files, source, [this] { progress_.StepIt(); },
        [&](const platform::DirEntry& entry) {
            if (const char* why = productFiles ? WhyNotDeployed(entry.name) : nullptr) {
                log_.Note(kLeftOut + JoinPath(source, entry.name) + "（" + why + "）");
                return WalkStep::Continue;
            }
            if (inputs_.keeper && inputs_.keeper->Keeps(target, entry.name))
                return WalkStep::Continue;  // the user's file, or their copy staged already
            // Read through a checked handle, never changed: the staged copy is not read-only.
            return StageFile(held, source, entry, target, existing) ? WalkStep::Continue : WalkStep::Stop;
        },
        [&](const platform::DirEntry& folder) {
            if (!productFiles) {
                log_.Note(kLeftOut + JoinPath(source, folder.name) +
                          "（扩展绘图库只安装其中的文件，不含子文件夹）");
            } else if (!text936::EqualsNoCase(folder.name, kDrawingLibraryName)) {
                log_.Note(kLeftOut + JoinPath(source, folder.name) + "（文件夹：只安装" +
                          kDrawingLibraryName + "文件夹）");
            }
        });
    if (end == WalkEnd::NotListed) {
        // Both are held folders here: one that cannot be listed stops the product, and leaves the
        // library out as a problem.
        if (productFiles) {
            failure_ = files::FileResult::Failed(source, "无法读取安装文件夹");
            log_.Note("未能读取安装文件夹 " + source +
                      platform::DescribeSystemError(services_.environment.LastError()) +
                      "，产品文件没有安装");
            return false;
        }
        log_.Problem("未能读取扩展绘图库文件夹 " + source +
                     platform::DescribeSystemError(services_.environment.LastError()) +
                     "，其中的文件没有安装");
    }
    return end != WalkEnd::Stopped;
}

bool ProductDeployer::StageFile(HeldSource& held,
                                const std::string& source,
                                const platform::DirEntry& entry,
                                const std::string& folder,
                                const Listing& existing) {
    const std::string& name = entry.name;
    const std::string from = JoinPath(source, name);
    const std::string to = JoinPath(folder, name);
    const platform::DirEntry* listed = existing.Lookup(name);
    const bool link = listed && IsLink(listed->attributes);
    if (link)
        log_.Note(to + " 是一个链接，将由新文件取代（不写入链接所指的位置）");
    platform::ContentCheck copied;
    // Opened once and checked to be the name's own plain file in the held source; a retry opens it afresh.
    std::unique_ptr<platform::OpenedFile> opened = held.Open(source, name);
    if (listed && !link && opened &&
        IsAlreadyInstalled(services_.files, *opened, entry, folder, *listed, copied)) {
        log_.Note("与安装来源相同，未重新复制：" + to);
        log_.FileInstalled(state::InstalledFile{to, copied.size, copied.crc});
        return true;
    }
    const files::OldFile old = link     ? files::OldFile::Link
                               : listed ? files::OldFile::File
                                        : files::OldFile::None;
    for (;;) {
        if (!opened)
            opened = held.Open(source, name);
        const files::FileResult staged = TryStage(opened.get(), folder, name, old, copied);
        if (staged)
            break;
        const int answer = services_.prompts.Show(services_.prompts.ActiveWindow(),
                                                  kCopyFailedBefore + to + kCopyFailedAfter,
                                                  kCopyFailedCaption, platform::kMbAbortRetryIgnore);
        // A box that could not be shown (0) asked nobody: retrying would spin for ever without a word
        // on screen, so it ends the walk as abort does.
        if (answer == platform::kIdAbort || answer == kNoAnswer) {
            log_.Note("复制失败，安装中止：" + from + " -> " + to + "（" + staged.Words() + "）" +
                      staged.SystemError());
            return false;
        }
        if (answer == platform::kIdIgnore) {
            log_.Problem("已跳过无法复制的文件 " + to + "（" + staged.Words() + "）" + staged.SystemError() +
                         "，它保持原有的版本");
            return true;
        }
    }
    log_.Note("已复制 " + from + " -> " + to);
    log_.FileInstalled(state::InstalledFile{to, copied.size, copied.crc});
    return true;
}

files::FileResult ProductDeployer::TryStage(platform::OpenedFile* opened,
                                            const std::string& folder,
                                            const std::string& name,
                                            files::OldFile old,
                                            platform::ContentCheck& copied) {
    const std::string to = JoinPath(folder, name);
    const auto failed = [&](const char* words) {
        return files::FileResult::Failed(to, words,
                                         platform::DescribeSystemError(services_.environment.LastError()));
    };
    if (!opened)
        return failed(kSourceNotOwn);
    // A file held open (AutoCAD running) could not be swapped out at the end: asked about now.
    if (old != files::OldFile::None && !services_.files.CanRename(to))
        return failed("文件正在使用");
    if (!inputs_.transaction)
        return files::FileResult::Failed(to, "没有暂存位置");
    return inputs_.transaction->Stage(folder, name, old, *opened, copied, true);
}

files::FileResult ProductDeployer::PutInPlace() {
    if (!inputs_.transaction)
        return files::FileResult::Failed(rootFolder_, "没有暂存位置");
    const files::FileResult result = inputs_.transaction->Commit();
    if (result)
        log_.Note("已将 " + std::to_string(inputs_.transaction->StagedCount()) + " 个新文件替换到位");
    else
        log_.Note("无法替换 " + result.Path() + "（" + result.Why() + "）" + result.SystemError() +
                  "，已恢复原有文件");
    return result;
}

}  // namespace install
