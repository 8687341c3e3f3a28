#pragma once
// The installation log on disk: UTF-8 with a byte-order mark, so that Notepad on a Chinese Windows
// shows it, one line per event, each beginning with the local time. The program's texts are
// code page 936 and are converted on the way.

#include <string>

#include "platform/log_sink.h"
#include "platform/win32/unique_handles.h"

namespace platform::win32 {

class Win32LogFile : public platform::LogSink {
  public:
    // Opens or creates the file without cutting it, and writes at its end only once it is known to
    // be a file on disk (GetFileType) that is no link: an existing log is appended to. When that
    // fails, every WriteLine answers false, Failure() says why, and an existing file is left as it
    // was. With `createNew` only a file this call creates is taken: anything under the name makes
    // it fail.
    explicit Win32LogFile(const std::string& path, bool createNew = false);

    // Line breaks inside `text` become " | " so that an event stays on one line.
    bool WriteLine(const std::string& text) override;
    bool IsOpen() const { return static_cast<bool>(file_); }
    SystemError Failure() const override { return failure_; }

  private:
    bool WriteBytes(const std::string& bytes);
    // Keeps `code` with the system's text for it.
    void Fail(unsigned long code);

    UniqueFile file_;
    SystemError failure_;
};

// Code-page-936 bytes as UTF-8; bytes that are no valid character come out as U+FFFD.
std::string Utf8FromCodePage936(const std::string& text);

}  // namespace platform::win32
