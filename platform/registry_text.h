#pragma once
// Registry values read as text. Only REG_SZ and REG_EXPAND_SZ are text; a REG_EXPAND_SZ is expanded
// before use. Everything else that is stored under the name (a number, binary data, a list of
// strings) is not text and is never taken for one.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/environment.h"
#include "platform/registry.h"

namespace platform {

enum class TextStatus {
    Ok,         // a text value whose text (and expansion) fits the buffer
    Missing,    // no such value
    WrongType,  // a value of another type
    TooLarge,   // a text value that, or whose expansion, does not fit the buffer
    Failed,     // the value could not be read
};

struct TextRead {
    TextStatus status = TextStatus::Missing;
    std::string text;  // empty unless Ok

    bool ok() const { return status == TextStatus::Ok; }
};

// Reads value `name` of `key` as text into a buffer of `capacity` bytes: the bytes up to the first
// zero, which must leave room for the terminating zero (a value that fills the buffer without one is
// TooLarge), expanded within the same capacity when the value is a REG_EXPAND_SZ.
TextRead ReadText(RegistryKey& key, const std::string& name, std::size_t capacity, Environment& environment);

}  // namespace platform
