#pragma once
// Failures that tests inject into the in-memory backend: any call of an operation on a path can
// be made to fail, always or a given number of times.

#include <functional>
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
    MoveFile,
    CreateDirectory,
    DeleteFile,
    RemoveDirectory,
    GetAttributes,
    SetAttributes,
    ReadFile,
    WriteFile,
    OpenFile,  // a file opened to be checked and deleted, or for its final path
    DeleteAtRestart,
    Snapshot,
};

class FailureInjector {
  public:
    // Makes `op` on `path` fail `times` times (-1: always). Registry paths are written
    // "HKLM\SOFTWARE\..." or "HKCU\..."; "*" matches every path. Case is ignored.
    void Fail(Operation op, const std::string& path, int times = -1);
    void Clear() { rules_.clear(); }

    // Numbered checks, for sweeps over every platform call: each ShouldFail is one check,
    // counted from 1. FailCheck makes check `number` fail; StopAtCheck makes it and every later
    // check fail, as if the program had been cut off there (nothing it does after has effect).
    void FailCheck(long number) { failCheck_ = number; }
    void StopAtCheck(long number) { stopCheck_ = number; }
    long CheckCount() const { return checks_; }
    // With LeaveWritesHalfDone, a copy or write cut off by StopAtCheck leaves its target half
    // written, as a killed process or a lost power supply does. CutOffNow: the latest check is it.
    void LeaveWritesHalfDone(bool on) { halfDone_ = on; }
    bool CutOffNow() const { return halfDone_ && stopCheck_ > 0 && checks_ == stopCheck_; }

    // Another program at work between the calls: `act` runs before every numbered check, with
    // its number. What it does goes through the same backend and is neither counted nor failed.
    void BeforeEveryCheck(std::function<void(long number)> act) { beforeCheck_ = std::move(act); }
    // Runs after every numbered check with its answer, as every system call sets the thread's last
    // error: a test sets the environment's error from it, to see that each failure is described by
    // its own call's error and not by one a later call left.
    void AfterEveryCheck(std::function<void(bool failed)> act) { afterCheck_ = std::move(act); }

    // Counts the calls of `op` on exactly `path` (case ignored) from now on, failed or not, for
    // tests that check how often a search reaches a key; Seen gives the count (0 unless watched).
    void Watch(Operation op, const std::string& path) { watched_.push_back({op, path, 0}); }
    int Seen(Operation op, const std::string& path) const;

    // True when the call must fail; counts the failure against its rule.
    bool ShouldFail(Operation op, const std::string& path);

  private:
    // Whether the check just counted fails; counts the failure against its rule.
    bool FailsNow(Operation op, const std::string& path);

    long checks_ = 0;
    long failCheck_ = 0;
    long stopCheck_ = 0;
    bool halfDone_ = false;
    std::function<void(long)> beforeCheck_;
    std::function<void(bool)> afterCheck_;
    bool inOtherProgram_ = false;
    struct Rule {
        Operation op;
        std::string path;
        int remaining;
    };
    std::vector<Rule> rules_;
    std::vector<Rule> watched_;  // `remaining` counts up: the calls seen
};

}  // namespace platform::memory
