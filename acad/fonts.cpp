// Copies the product's two shape fonts into the "Fonts" folder of the chosen AutoCAD installations.

#include <string>

#include "acad/buffer_format.h"
#include "app/acad_inventory.h"
#include "install/locations.h"
#include "install/read_only.h"

namespace app {

namespace {

constexpr const char* kFontNames[] = {"Brelix_EN.shx", "Brelix_HZ.shx"};

}  // namespace

void AcadInventory::DeployFonts(platform::Services& services,
                                const ReleaseFlags& chosen,
                                InstallJournal* journal) {
    for (int k = 0; k < kReleaseCount; ++k) {
        if (!chosen[k])
            continue;
        for (const std::string& installFolder : acadLocations[k])
            CopyFonts(services, installFolder, journal);
    }
}

void CopyFonts(platform::Services& services, const std::string& installFolder, InstallJournal* journal) {
    // On failure the lookup has told the user and leaves a path below which no font exists, so
    // the copies below fail on their own.
    std::string source;
    install::LocateSourceFolder(services, source);

    // A missing "Fonts" folder is not created: that installation simply gets no fonts.
    const auto fontFolder = acad::FormatFitting(acad::kNameBufferSize, "%s\\Fonts", installFolder.c_str());
    if (!fontFolder)
        return;

    for (const char* fontName : kFontNames) {
        const auto from = acad::FormatFitting(acad::kNameBufferSize, "%s\\%s", source.c_str(), fontName);
        const auto to = acad::FormatFitting(acad::kNameBufferSize, "%s\\%s", fontFolder->c_str(), fontName);
        if (!from || !to)
            continue;
        // A read-only target would refuse the copy, and a read-only source would pass its
        // attribute on to the copy: clear both before, and the copy after.
        install::ClearReadOnly(services.files, *from);
        install::ClearReadOnly(services.files, *to);
        if (services.files.CopyFile(*from, *to, false) && journal)
            journal->FontCopied(*to);
        install::ClearReadOnly(services.files, *to);
    }
}

}  // namespace app
