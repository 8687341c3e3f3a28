#pragma once
// Names of the folders the installation creates, and the product folder under a root.

#include <string>

#include "files/paths.h"

namespace install {

using files::JoinPath;

constexpr char kProductFolderName[] = "Brelix结构工具箱";
constexpr char kDrawingLibraryName[] = "Brelix扩展绘图库";
constexpr char kEmptyTempFolderName[] = "temp";

// "<root>\Brelix结构工具箱", the root taken without one trailing "\" (D:\ gives D:\Brelix结构工具箱).
std::string ProductFolderOf(const std::string& installRoot);

}  // namespace install
