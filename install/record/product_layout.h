#pragma once
// Names of the folders the installation creates, and the product folder under a root.

#include <string>

#include "files/paths.h"

namespace install {

using files::JoinPath;

constexpr char kProductFolderName[] = "Brelix结构工具箱";
constexpr char kDrawingLibraryName[] = "Brelix扩展绘图库";
constexpr char kEmptyTempFolderName[] = "temp";
// The kinds of files a re-installation can keep: settings, section library, drawings.
constexpr char kSettingsExtension[] = ".CFG";
constexpr char kSectionExtension[] = ".SEC";
constexpr char kDrawingExtension[] = ".SJY";

// True for a file a re-installation can keep, given by its path below the product folder: a
// settings or section library file in the product folder itself, a drawing in the drawing library.
bool IsKeptKind(const std::string& pathBelowProductFolder);

// "<root>\Brelix结构工具箱", the root taken without one trailing "\" (D:\ gives D:\Brelix结构工具箱).
std::string ProductFolderOf(const std::string& installRoot);

}  // namespace install
