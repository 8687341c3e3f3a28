#pragma once
// Whether an AutoCAD install folder read from the registry can be written below.

#include <string>

namespace acad {

// True for a full path: a drive letter, ":" and "\" ("C:\...") or a network path ("\\server\...").
// An empty or relative folder would resolve against whatever the current folder and drive happen to
// be, so nothing is written for it.
bool IsFullPath(const std::string& folder);

}  // namespace acad
