#include "install/product_deployer.h"

#include <array>

#include "install/folder_walk.h"
#include "install/locations.h"
#include "install/product_layout.h"
#include "platform/read_only.h"
#include "platform/text936.h"

namespace install {

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

// Creates one folder level unless its path would not fit the 260-byte buffer.
void CreateFolderIfFits(platform::FileSystem& files, const std::string& path) {
    if (text936::FitsBuffer(path, kPathBufferSize))
        files.CreateDirectory(path);
}

bool IsFolder(platform::FileSystem& files, const std::string& path) {
    const auto attributes = files.GetAttributes(path);
    return attributes && (*attributes & platform::kAttrDirectory);
}

bool IsLink(platform::FileSystem& files, const std::string& path) {
    const auto attributes = files.GetAttributes(path);
    return attributes && (*attributes & platform::kAttrReparsePoint);
}

constexpr char kLinkNotWritten[] = "是一个链接，未写入：";

}  // namespace

ProductDeployer::ProductDeployer(platform::Services& services,
                                 const std::string& installRoot,
                                 platform::ProgressBar& progress)
    : rootFolder(text936::WithoutTrailingBackslash(installRoot)),
      services_(services),
      progress_(progress),
      journal_(ownJournal_) {}

ProductDeployer::ProductDeployer(platform::Services& services,
                                 const std::string& installRoot,
                                 platform::ProgressBar& progress,
                                 state::InstallJournal& journal)
    : rootFolder(text936::WithoutTrailingBackslash(installRoot)),
      services_(services),
      progress_(progress),
      journal_(journal) {}

bool ProductDeployer::LocateSource(std::string& source) {
    if (sourceFolder.empty())
        return LocateSourceFolder(services_, source);
    source = sourceFolder;
    return true;
}

bool ProductDeployer::DeployProductFiles() {
    std::string source;
    if (!LocateSource(source))
        return false;

    const std::string productFolder = JoinPath(rootFolder, kProductFolderName);
    CreateFolderIfFits(services_.files, productFolder);
    const std::string tempFolder = JoinPath(productFolder, kEmptyTempFolderName);
    CreateFolderIfFits(services_.files, tempFolder);
    if (!IsFolder(services_.files, tempFolder))
        journal_.Problem("未能创建文件夹 " + tempFolder);

    // A copy onto a link would write wherever it leads.
    const auto links = LinkNamesIn(services_.files, productFolder);
    const WalkEnd end = WalkFolder(
        services_.files, source, [this] { progress_.StepIt(); },
        [&](const platform::DirEntry& entry) {
            if (const char* why = WhyNotDeployed(entry.name)) {
                journal_.Note(kLeftOut + JoinPath(source, entry.name) + "（" + why + "）");
                return WalkStep::Continue;
            }
            if (links.Find(entry.name, 0)) {
                journal_.Problem(kLinkNotWritten + JoinPath(productFolder, entry.name));
                return WalkStep::Continue;
            }
            const bool copied = CopyProductFile(JoinPath(source, entry.name), entry.attributes,
                                                JoinPath(productFolder, entry.name));
            return copied ? WalkStep::Continue : WalkStep::Stop;
        },
        [&](const platform::DirEntry& folder) {
            if (!text936::EqualsNoCase(folder.name, kDrawingLibraryName)) {
                journal_.Note(kLeftOut + JoinPath(source, folder.name) + "（文件夹：只安装" +
                              kDrawingLibraryName + "文件夹）");
            }
        });
    if (end == WalkEnd::NotListed)
        journal_.Problem("未能读取安装文件夹 " + source + "，产品文件没有安装");
    return end != WalkEnd::Stopped;
}

bool ProductDeployer::CopyProductFile(const std::string& from,
                                      std::uint32_t fromAttributes,
                                      const std::string& to) {
    platform::FileSystem& files = services_.files;
    platform::ClearListedReadOnly(files, from, fromAttributes);
    platform::ContentCheck copied;
    while (!platform::CopyOverReadOnly(files, from, to, &copied)) {
        // Taken before the box, whose own calls would replace it.
        const std::string error = platform::DescribeSystemError(services_.environment.LastError());
        const int answer = services_.prompts.Show(services_.prompts.ActiveWindow(),
                                                  kCopyFailedBefore + to + kCopyFailedAfter,
                                                  kCopyFailedCaption, platform::kMbAbortRetryIgnore);
        // A box that could not be shown (0) asked nobody: retrying would spin for ever without a
        // word on screen, so it ends the walk as abort does.
        if (answer == platform::kIdAbort || answer == kNoAnswer) {
            journal_.Note("复制失败，安装中止：" + from + " -> " + to + error);
            return false;
        }
        if (answer == platform::kIdIgnore) {
            journal_.Problem("已跳过无法复制的文件 " + to + error);
            return true;
        }
    }
    platform::ClearCarriedReadOnly(files, fromAttributes, to);
    journal_.Note("已复制 " + from + " -> " + to);
    journal_.FileInstalled(state::InstalledFile{to, copied.size, copied.crc});
    return true;
}

void ProductDeployer::DeployDrawingLibrary() {
    std::string source;
    if (!LocateSource(source)) {
        journal_.Problem("未找到安装文件夹，扩展绘图库没有安装");
        return;
    }

    const std::string librarySource = JoinPath(source, kDrawingLibraryName);
    const std::string libraryTarget = JoinPath(JoinPath(rootFolder, kProductFolderName), kDrawingLibraryName);
    CreateFolderIfFits(services_.files, libraryTarget);

    platform::FileSystem& files = services_.files;
    if (IsLink(files, libraryTarget)) {
        journal_.Problem(kLinkNotWritten + libraryTarget + "，扩展绘图库没有安装");
        return;
    }
    const auto links = LinkNamesIn(files, libraryTarget);
    const WalkEnd end = WalkFolder(
        files, librarySource, [this] { progress_.StepIt(); },
        [&](const platform::DirEntry& entry) {
            const std::string from = JoinPath(librarySource, entry.name);
            const std::string to = JoinPath(libraryTarget, entry.name);
            if (links.Find(entry.name, 0)) {
                journal_.Problem(kLinkNotWritten + to);
                return WalkStep::Continue;
            }
            platform::ClearListedReadOnly(files, from, entry.attributes);
            platform::ContentCheck copied;
            if (!platform::CopyOverReadOnly(files, from, to, &copied)) {
                journal_.Problem("未能复制扩展绘图库文件 " + to);
                return WalkStep::Continue;
            }
            platform::ClearCarriedReadOnly(files, entry.attributes, to);
            journal_.Note("已复制 " + from + " -> " + to);
            journal_.FileInstalled(state::InstalledFile{to, copied.size, copied.crc});
            return WalkStep::Continue;
        },
        [&](const platform::DirEntry& folder) {
            journal_.Note(kLeftOut + JoinPath(librarySource, folder.name) +
                          "（扩展绘图库只安装其中的文件，不含子文件夹）");
        });
    // A source without a library ships none; one that is there but cannot be read is a problem.
    if (end != WalkEnd::NotListed)
        return;
    if (IsFolder(files, librarySource))
        journal_.Problem("未能读取扩展绘图库文件夹 " + librarySource + "，其中的文件没有安装");
}

}  // namespace install
