#include "platform/registry_text.h"

#include "platform/text936.h"

namespace platform {

namespace {

TextRead WithStatus(TextStatus status) {
    TextRead read;
    read.status = status;
    return read;
}

}  // namespace

TextRead ReadText(RegistryKey& key, const std::string& name, std::size_t capacity, Environment& environment) {
    const ValueRead value = key.ReadValue(name, capacity);
    switch (value.status) {
        case ReadStatus::Missing:
            return WithStatus(TextStatus::Missing);
        case ReadStatus::Failed:
            return WithStatus(TextStatus::Failed);
        case ReadStatus::TooLarge:
        case ReadStatus::Ok:
            break;
    }
    if (value.type != kRegSz && value.type != kRegExpandSz)
        return WithStatus(TextStatus::WrongType);
    if (value.status == ReadStatus::TooLarge)
        return WithStatus(TextStatus::TooLarge);

    std::string text = value.Text();
    if (!text936::FitsBuffer(text, capacity))
        return WithStatus(TextStatus::TooLarge);
    if (value.type == kRegExpandSz) {
        auto expanded = environment.Expand(text, capacity);
        if (!expanded)
            return WithStatus(TextStatus::TooLarge);
        text = std::move(*expanded);
    }
    TextRead read;
    read.status = TextStatus::Ok;
    read.text = std::move(text);
    return read;
}

}  // namespace platform
