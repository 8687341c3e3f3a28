#include "install/deploy/unchanged_file.h"

#include <algorithm>
#include <vector>

#include "files/held_path.h"
#include "files/own_file.h"
#include "install/record/product_layout.h"

namespace install {

using files::IsOwnPlainFile;

namespace {

// Both files are compared piece by piece, each piece read into a buffer of this size at most.
constexpr std::size_t kPiece = 256u * 1024u;

// Fills `buffer` from `file` unless the file ends first; false when a read fails.
bool ReadFully(platform::OpenedFile& file, char* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    while (got < size) {
        const auto read = file.Read(buffer + got, size - got);
        if (!read)
            return false;
        if (*read == 0)
            break;
        got += *read;
    }
    return true;
}

}  // namespace

bool IsAlreadyInstalled(platform::FileSystem& files,
                        platform::OpenedFile& source,
                        const platform::DirEntry& sourceEntry,
                        const std::string& folder,
                        const platform::DirEntry& listed,
                        platform::ContentCheck& content) {
    using platform::kAttrHidden;
    using platform::kAttrReadOnly;
    using platform::kAttrSystem;
    // The listings tell most files of another version apart without reading them.
    if (listed.size != sourceEntry.size || listed.lastWrite != sourceEntry.lastWrite || listed.lastWrite == 0)
        return false;
    // Opened for deletion as well, sharing reads only: it fails for a file anybody else has open to
    // write, or without sharing its deletion, as the swap would.
    // A link put in the file's place since the listing is followed under Wine: where the handle leads
    // tells it.
    const auto held = files.OpenToDelete(JoinPath(folder, listed.name));
    if (!held || !IsOwnPlainFile(*held, files.FinalPath(folder), listed.name) ||
        held->Size() != listed.size || (held->Attributes() & kAttrReadOnly) ||
        ((held->Attributes() ^ sourceEntry.attributes) & (kAttrHidden | kAttrSystem)))
        return false;
    if (source.Size() != listed.size)
        return false;
    // The bytes decide, never the time alone: whoever can write the file can set its time too.
    const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(listed.size, kPiece)) + 1;
    std::vector<char> ours(piece);
    std::vector<char> theirs(piece);
    platform::ContentCheck read;
    for (;;) {
        std::size_t got = 0;
        std::size_t gotInstalled = 0;
        if (!ReadFully(source, theirs.data(), piece, got) ||
            !ReadFully(*held, ours.data(), piece, gotInstalled) || got != gotInstalled ||
            !std::equal(theirs.begin(), theirs.begin() + static_cast<std::ptrdiff_t>(got), ours.begin()))
            return false;
        if (got == 0)
            break;
        read.Add(theirs.data(), got);
    }
    if (read.size != listed.size)
        return false;
    content = read;
    return true;
}

}  // namespace install
