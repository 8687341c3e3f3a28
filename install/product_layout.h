#pragma once
// Names of the folders the installation creates, and the product folder under a root.

#include <string>

namespace install {

constexpr char kProductFolderName[] = "Brelix结构工具箱";
constexpr char kDrawingLibraryName[] = "Brelix扩展绘图库";
constexpr char kEmptyTempFolderName[] = "temp";

// "<root>\Brelix结构工具箱", the root taken without one trailing "\" (D:\ gives D:\Brelix结构工具箱).
std::string ProductFolderOf(const std::string& installRoot);

// "<folder>\<name>".
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace install
