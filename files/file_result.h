#pragma once
// What a step of the file work answers: done, or why not. A failure carries the path it failed on,
// our words for it, and the system's words for the call that failed, taken at that call: no error is
// read after another call has replaced it.

#include <string>
#include <utility>

namespace files {

class [[nodiscard]] FileResult {
  public:
    static FileResult Done() { return FileResult(); }
    static FileResult Failed(std::string path, std::string words, std::string systemError = std::string()) {
        FileResult result;
        result.done_ = false;
        result.path_ = std::move(path);
        result.words_ = std::move(words);
        result.systemError_ = std::move(systemError);
        return result;
    }

    explicit operator bool() const { return done_; }
    const std::string& Path() const { return path_; }
    const std::string& Words() const { return words_; }
    const std::string& SystemError() const { return systemError_; }
    // "<our words><the system's words>", as the log and the questions say it.
    std::string Why() const { return words_ + systemError_; }

  private:
    FileResult() = default;

    bool done_ = true;
    std::string path_;
    std::string words_;
    std::string systemError_;
};

}  // namespace files
