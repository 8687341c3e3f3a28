#pragma once
// What the platform contract cases need of a backend beyond the platform interfaces themselves: a
// scratch registry key and a scratch folder for one test, and a way to write and read file content
// (the file system interface has no such operations). An instance lives for one test and removes its
// scratch area when destroyed.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/services.h"

namespace contract {

class BackendUnderTest {
  public:
    virtual ~BackendUnderTest() = default;

    virtual platform::Services services() = 0;

    // Path below HKEY_CURRENT_USER of a key that exists and is empty when the test starts.
    virtual std::string ScratchKeyPath() const = 0;
    // An existing empty folder, without a trailing "\".
    virtual std::string ScratchFolder() const = 0;

    // Creates or replaces a file with exactly `content`; false when it cannot.
    virtual bool WriteFile(const std::string& path, const std::string& content) = 0;
    // The whole content of a file; nullopt when it cannot be read.
    virtual std::optional<std::string> ReadFile(const std::string& path) = 0;

    // Stores a value of any type and content in the scratch key; false when it cannot.
    virtual bool WriteScratchValue(const std::string& name, std::uint32_t type, const std::string& data) = 0;
    // Defines an environment variable of the platform's environment.
    virtual void SetVariable(const std::string& name, const std::string& value) = 0;

    // A second name `path` for the file `existing` (a hard link); false when it cannot be made.
    virtual bool MakeHardLink(const std::string& path, const std::string& existing) = 0;
    // A link `path` to the file `target`, which need not exist; false when it cannot be made.
    virtual bool MakeFileLink(const std::string& path, const std::string& target) = 0;
    // A link `path` to the folder `target`; false when it cannot be made.
    virtual bool MakeFolderLink(const std::string& path, const std::string& target) = 0;

    // Whether a copy onto a read-only file fails. Windows says yes; Wine running as root overwrites.
    virtual bool ProtectsReadOnlyTargets() const = 0;
};

// A backend of one kind, made fresh for each test.
struct BackendKind {
    std::string name;
    std::function<std::unique_ptr<BackendUnderTest>()> make;
};

inline std::string BackendKindName(const ::testing::TestParamInfo<BackendKind>& info) {
    return info.param.name;
}

// The parameterised tests print their parameter; the name says all that matters.
inline void PrintTo(const BackendKind& kind, std::ostream* out) {
    *out << kind.name;
}

}  // namespace contract
