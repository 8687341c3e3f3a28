// Copies the product's two shape fonts into the "Fonts" folder of the chosen AutoCAD installations.

#include <algorithm>
#include <string>
#include <vector>

#include "acad/buffer_format.h"
#include "acad/install_folder.h"
#include "platform/read_only.h"
#include "platform/text936.h"
#include "state/acad_inventory.h"

namespace state {

namespace {

constexpr const char* kFontNames[] = {"Brelix_EN.shx", "Brelix_HZ.shx"};

}  // namespace

void AcadInventory::DeployFonts(platform::Services& services,
                                const std::string& source,
                                const OpenSourceFile& openSource,
                                const ReleaseFlags& chosen,
                                InstallJournal& log) {
    // One folder takes the fonts once, however many product keys name it.
    std::vector<std::string> done;
    for (int k = 0; k < kReleaseCount; ++k) {
        if (!chosen[k])
            continue;
        for (const std::string& installFolder : acadLocations[k]) {
            std::string folder = text936::ToUpper(text936::WithoutTrailingBackslash(installFolder));
            if (std::find(done.begin(), done.end(), folder) != done.end())
                continue;
            done.push_back(std::move(folder));
            CopyFonts(services, source, openSource, installFolder, log);
        }
    }
}

void CopyFonts(platform::Services& services,
               const std::string& source,
               const OpenSourceFile& openSource,
               const std::string& installFolder,
               InstallJournal& log) {
    if (!acad::IsFullPath(installFolder)) {
        log.Note("AutoCAD 安装文件夹 \"" + installFolder + "\" 不是完整路径，没有复制字体");
        return;
    }
    // A missing "Fonts" folder is not created: that installation simply gets no fonts.
    const auto fontFolder = acad::FormatFitting(acad::kNameBufferSize, "%s\\Fonts", installFolder.c_str());
    if (!fontFolder) {
        // No system error: the program's own limit of a path.
        log.Problem("AutoCAD 安装文件夹 " + installFolder + " 的路径太长，字体没有复制");
        return;
    }

    for (const char* fontName : kFontNames) {
        const auto from = acad::FormatFitting(acad::kNameBufferSize, "%s\\%s", source.c_str(), fontName);
        const auto to = acad::FormatFitting(acad::kNameBufferSize, "%s\\%s", fontFolder->c_str(), fontName);
        if (!from || !to) {
            // No system error: the program's own limit of a path.
            log.Problem("字体 " + std::string(fontName) + " 的路径太长，没有复制到 " + *fontFolder);
            continue;
        }
        // Written whole under a new name beside it, then renamed over the font: never a font half
        // written, and nothing written through whatever is in its place; a read-only font is
        // replaced by the rename. The source is read only through a checked handle, never changed.
        const auto opened = openSource(fontName);
        // The open's own error, before the calls below replace it.
        const platform::SystemError openError =
            opened ? platform::SystemError{} : services.environment.LastError();
        const std::string being = *fontFolder + "\\~BRX.new";  // no longer than the font's own path
        services.files.DeleteFile(being);                      // left by a run cut off while writing it
        platform::ClearReadOnly(services.files, *to);
        const bool copied =
            opened && text936::FitsBuffer(being, acad::kNameBufferSize) &&
            services.files.CopyOpenedToNewFile(*opened, being, [](const char*, std::size_t) {}) &&
            services.files.Rename(being, *to);
        if (!copied) {
            const platform::SystemError error = opened ? services.environment.LastError() : openError;
            services.files.DeleteFile(being);
            // An installation without a "Fonts" folder takes no fonts by design; anywhere else a
            // font that does not copy is a problem.
            const auto folder = services.files.GetAttributes(*fontFolder);
            if (!folder || !(*folder & platform::kAttrDirectory)) {
                log.Note("没有字体文件夹 " + *fontFolder + "，字体 " + fontName + " 没有复制");
                continue;
            }
            log.Problem("未能复制字体 " + *to + platform::DescribeSystemError(error) +
                        (opened ? std::string()
                                : "（安装来源中的 " + *from + " 是链接、另有名称（硬链接）或无法读取）"));
            continue;
        }
        log.Note("已复制字体 " + *from + " -> " + *to);
        log.FontCopied(*to);
    }
}

}  // namespace state
