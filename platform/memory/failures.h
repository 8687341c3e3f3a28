#pragma once
// Failures that tests inject into the in-memory backend: any call of an operation on a path can
// be made to fail, always or a given number of times.

#include <string>
#include <vector>

namespace platform::memory {

enum class Operation {
    OpenKey,
    CreateKey,
    EnumKey,
    ReadValue,
    WriteValue,
    DeleteValue,
    DeleteKey,
    FindFirst,
    CopyFile,
    CreateDirectory,
    DeleteFile,
    RemoveDirectory,
    GetAttributes,
    SetAttributes,
    ReadFile,
    WriteFile,
    DeleteAtRestart,
    Snapshot,
};

class FailureInjector {
  public:
    // Makes `op` on `path` fail `times` times (-1: always). Registry paths are written
    // "HKLM\SOFTWARE\..." or "HKCU\..."; "*" matches every path. Case is ignored.
    void Fail(Operation op, const std::string& path, int times = -1);
    void Clear() { rules_.clear(); }

    // True when the call must fail; counts the failure against its rule.
    bool ShouldFail(Operation op, const std::string& path);

  private:
    struct Rule {
        Operation op;
        std::string path;
        int remaining;
    };
    std::vector<Rule> rules_;
};

}  // namespace platform::memory
