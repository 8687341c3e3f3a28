#pragma once
// The user's choices and the build constants, shared by the pages and the installation.
// One instance lives for the whole process (owned by the application object).

#include <array>
#include <string>

#include "state/product_version.h"
#include "state/release_table.h"

#ifndef BRELIX_BITNESS
#define BRELIX_BITNESS 32
#endif

namespace state {

constexpr char kDefaultInstallRoot[] = "C:\\Brelix";
constexpr int kBuildBitness = BRELIX_BITNESS;

struct InstallOptions {
    int agreeChoice = 1;  // page 1 radio group: 0 = 不同意, 1 = 同意
    std::array<int, kReleaseCount> releaseChosen = MakeAllChosen();
    std::string installRoot = kDefaultInstallRoot;
    int keepConfig = 1;
    int keepSettings = 1;
    int keepSectionLibrary = 1;
    int keepDrawingLibrary = 1;
    bool acadCheckPending = true;  // cleared once the running-AutoCAD warning was shown
    ProductVersion productVersion = BuiltVersion();
    bool allowDowngrade = false;  // /ALLOWDOWNGRADE: an older version may replace a newer one
    int buildBitness = kBuildBitness;

  private:
    static std::array<int, kReleaseCount> MakeAllChosen() {
        std::array<int, kReleaseCount> all{};
        all.fill(1);
        return all;
    }
};

// "Brelix结构工具箱 V2024.3.27 (32位版本)" for the version and bitness given.
std::string FormatVersionLabel(const ProductVersion& productVersion, int buildBitness);

}  // namespace state
