#include "platform/memory/memory_environment.h"

#include "platform/text936.h"

namespace platform::memory {

void MemoryEnvironment::Set(const std::string& name, const std::string& value) {
    variables_[text936::ToUpper(name)] = value;
}

std::optional<std::string> MemoryEnvironment::Expand(const std::string& text, std::size_t capacity) {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t open = text936::Find(text.substr(pos), "%");
        if (open == text936::npos) {
            out += text.substr(pos);
            break;
        }
        out += text.substr(pos, open);
        const std::size_t start = pos + open;
        const std::size_t close = text936::Find(text.substr(start + 1), "%");
        if (close == text936::npos) {
            out += text.substr(start);
            break;
        }
        // "%NAME%": the value when NAME is defined, the reference as written otherwise.
        const std::string reference = text.substr(start, close + 2);
        const auto found = variables_.find(text936::ToUpper(reference.substr(1, close)));
        out += found != variables_.end() && close > 0 ? found->second : reference;
        pos = start + close + 2;
    }
    if (!text936::FitsBuffer(out, capacity))
        return std::nullopt;
    return out;
}

}  // namespace platform::memory
