#include "platform/memory/memory_registry.h"

#include <algorithm>
#include <sstream>

#include "platform/text936.h"

namespace platform::memory {

struct RegistryNode {
    std::string name;
    std::string path;  // "HKLM\SOFTWARE\..." for failure matching and dumps
    std::vector<std::shared_ptr<RegistryNode>> children;
    std::vector<std::pair<std::string, StoredValue>> values;
    bool deleted = false;

    std::shared_ptr<RegistryNode> Child(const std::string& childName) const {
        for (const auto& child : children) {
            if (text936::EqualsNoCase(child->name, childName))
                return child;
        }
        return nullptr;
    }
    std::shared_ptr<RegistryNode> AddChild(const std::string& childName) {
        auto child = std::make_shared<RegistryNode>();
        child->name = childName;
        child->path = path + "\\" + childName;
        children.push_back(child);
        return child;
    }
    StoredValue* Value(const std::string& valueName) {
        for (auto& [stored, value] : values) {
            if (text936::EqualsNoCase(stored, valueName))
                return &value;
        }
        return nullptr;
    }
    void SetValue(const std::string& valueName, StoredValue value) {
        if (StoredValue* existing = Value(valueName)) {
            *existing = std::move(value);
        } else {
            values.emplace_back(valueName, std::move(value));
        }
    }
    std::vector<std::shared_ptr<RegistryNode>> SortedChildren() const {
        auto sorted = children;
        std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
            return text936::ToUpper(a->name) < text936::ToUpper(b->name);
        });
        return sorted;
    }
};

namespace {

std::shared_ptr<RegistryNode> Walk(std::shared_ptr<RegistryNode> node, const std::string& path) {
    auto levels = text936::SplitLevels(path);
    if (!levels)
        return nullptr;
    for (const auto& level : *levels) {
        if (!node)
            return nullptr;
        node = node->Child(level);
    }
    return node;
}

std::shared_ptr<RegistryNode> WalkCreating(std::shared_ptr<RegistryNode> node, const std::string& path) {
    auto levels = text936::SplitLevels(path);
    if (!levels)
        return nullptr;
    for (const auto& level : *levels) {
        auto child = node->Child(level);
        node = child ? child : node->AddChild(level);
    }
    return node;
}

constexpr char kWow64Node[] = "Wow6432Node";

// Where a key of the 32-bit view seen by a 64-bit program lives: the path below HKLM with
// "Wow6432Node" after a leading "SOFTWARE", unless it is there already.
std::string Redirected32(const std::string& fromMachineRoot) {
    auto levels = text936::SplitLevels(fromMachineRoot);
    if (!levels || levels->size() < 2 || !text936::EqualsNoCase((*levels)[0], "SOFTWARE") ||
        text936::EqualsNoCase((*levels)[1], kWow64Node)) {
        return fromMachineRoot;
    }
    std::string path = (*levels)[0] + "\\" + kWow64Node;
    for (std::size_t i = 1; i < levels->size(); ++i)
        path += "\\" + (*levels)[i];
    return path;
}

class MemoryKey : public RegistryKey {
  public:
    // `machineRoot` is set only for keys of HKLM's 32-bit view seen by a 64-bit program: paths
    // below them are then resolved from that root, redirected.
    MemoryKey(FailureInjector& failures,
              std::shared_ptr<RegistryNode> node,
              KeyAccess access,
              std::shared_ptr<RegistryNode> machineRoot = nullptr)
        : failures_(failures),
          node_(std::move(node)),
          access_(access),
          machineRoot_(std::move(machineRoot)) {}

    std::unique_ptr<RegistryKey> Open(const std::string& path, KeyAccess access) override {
        if (node_->deleted)
            return nullptr;
        auto target = machineRoot_ ? Walk(machineRoot_, RedirectedPath(path)) : Walk(node_, path);
        if (!target || failures_.ShouldFail(Operation::OpenKey, target->path))
            return nullptr;
        return std::make_unique<MemoryKey>(failures_, target, access, machineRoot_);
    }

    std::unique_ptr<RegistryKey> Create(const std::string& path) override {
        if (node_->deleted || access_ == KeyAccess::Read)
            return nullptr;
        auto levels = text936::SplitLevels(path);
        if (!levels)
            return nullptr;
        if (machineRoot_) {
            const std::string redirected = RedirectedPath(path);
            if (failures_.ShouldFail(Operation::CreateKey, "HKLM\\" + redirected))
                return nullptr;
            return std::make_unique<MemoryKey>(failures_, WalkCreating(machineRoot_, redirected),
                                               KeyAccess::Default, machineRoot_);
        }
        if (failures_.ShouldFail(Operation::CreateKey, node_->path + (path.empty() ? "" : "\\" + path))) {
            return nullptr;
        }
        return std::make_unique<MemoryKey>(failures_, WalkCreating(node_, path), KeyAccess::Default);
    }

    std::optional<std::uint32_t> SubkeyCount() override {
        if (node_->deleted || access_ == KeyAccess::Write)
            return std::nullopt;
        if (failures_.ShouldFail(Operation::EnumKey, node_->path))
            return std::nullopt;
        return static_cast<std::uint32_t>(node_->children.size());
    }

    std::optional<std::string> SubkeyName(std::uint32_t index, std::size_t capacity) override {
        if (node_->deleted || access_ == KeyAccess::Write)
            return std::nullopt;
        if (failures_.ShouldFail(Operation::EnumKey, node_->path))
            return std::nullopt;
        auto sorted = node_->SortedChildren();
        if (index >= sorted.size())
            return std::nullopt;
        const std::string& name = sorted[index]->name;
        if (!text936::FitsBuffer(name, capacity))
            return std::nullopt;
        return name;
    }

    ValueRead ReadValue(const std::string& name, std::size_t capacity) override {
        ValueRead result;
        if (node_->deleted || access_ == KeyAccess::Write ||
            failures_.ShouldFail(Operation::ReadValue, node_->path + "\\" + name) ||
            failures_.ShouldFail(Operation::ReadValue, node_->path)) {
            result.status = ReadStatus::Failed;
            return result;
        }
        const StoredValue* value = node_->Value(name);
        if (!value)
            return result;  // Missing
        result.type = value->type;
        if (value->data.size() > capacity) {
            result.status = ReadStatus::TooLarge;
            return result;
        }
        result.status = ReadStatus::Ok;
        result.data = value->data;
        return result;
    }

    bool WriteString(const std::string& name, const std::string& text) override {
        return Write(name, {kRegSz, text + std::string(1, '\0')});
    }

    bool WriteDword(const std::string& name, std::uint32_t value) override {
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        return Write(name, {kRegDword, bytes});
    }

    bool DeleteValue(const std::string& name) override {
        if (node_->deleted || access_ == KeyAccess::Read)
            return false;
        if (failures_.ShouldFail(Operation::DeleteValue, node_->path + "\\" + name))
            return false;
        auto& values = node_->values;
        auto it = std::find_if(values.begin(), values.end(),
                               [&](const auto& entry) { return text936::EqualsNoCase(entry.first, name); });
        if (it == values.end())
            return false;
        values.erase(it);
        return true;
    }

    bool DeleteSubkey(const std::string& path) override {
        if (node_->deleted || path.empty())
            return false;
        // Below a root opened in the 32-bit view the path is redirected, as for opens and creates.
        const auto& base = machineRoot_ ? machineRoot_ : node_;
        const std::string resolved = machineRoot_ ? RedirectedPath(path) : path;
        auto target = Walk(base, resolved);
        if (!target || !target->children.empty())
            return false;
        if (failures_.ShouldFail(Operation::DeleteKey, target->path))
            return false;
        std::string trimmed = text936::WithoutTrailingBackslash(resolved);
        std::size_t lastSep = text936::FindLastBackslash(trimmed);
        auto parent = lastSep == text936::npos ? base : Walk(base, trimmed.substr(0, lastSep));
        if (!parent)
            return false;
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), target), siblings.end());
        target->deleted = true;
        return true;
    }

  private:
    // This key's path below HKLM joined with `path`, in the 32-bit view.
    std::string RedirectedPath(const std::string& path) const {
        const std::string& own = node_->path;  // "HKLM" or "HKLM\\..."
        std::string full = own.size() > 4 ? own.substr(5) : std::string();
        if (!path.empty())
            full = full.empty() ? path : full + "\\" + path;
        return Redirected32(full);
    }

    bool Write(const std::string& name, StoredValue value) {
        if (node_->deleted || access_ == KeyAccess::Read)
            return false;
        if (failures_.ShouldFail(Operation::WriteValue, node_->path + "\\" + name) ||
            failures_.ShouldFail(Operation::WriteValue, node_->path)) {
            return false;
        }
        node_->SetValue(name, std::move(value));
        return true;
    }

    FailureInjector& failures_;
    std::shared_ptr<RegistryNode> node_;
    KeyAccess access_;
    std::shared_ptr<RegistryNode> machineRoot_;
};

void DumpNode(const RegistryNode& node, std::ostringstream& out) {
    out << node.path << "\n";
    for (const auto& [name, value] : node.values) {
        out << node.path << " : \"" << name << "\" type " << value.type << " = ";
        if (value.type == kRegSz) {
            out << "\"" << value.Text() << "\""
                << (value.data.size() == value.Text().size() + 1 ? "" : " (unterminated)");
        } else {
            for (unsigned char byte : value.data)
                out << std::hex << static_cast<int>(byte) << std::dec << ' ';
        }
        out << "\n";
    }
    for (const auto& child : node.SortedChildren())
        DumpNode(*child, out);
}

}  // namespace

const char* RootName(RootKey root) {
    return root == RootKey::LocalMachine ? "HKLM" : "HKCU";
}

MemoryRegistry::MemoryRegistry(FailureInjector& failures)
    : failures_(failures),
      localMachine_(std::make_shared<RegistryNode>()),
      currentUser_(std::make_shared<RegistryNode>()) {
    localMachine_->name = localMachine_->path = "HKLM";
    currentUser_->name = currentUser_->path = "HKCU";
}

MemoryRegistry::~MemoryRegistry() = default;

std::shared_ptr<RegistryNode> MemoryRegistry::RootNode(RootKey root) const {
    return root == RootKey::LocalMachine ? localMachine_ : currentUser_;
}

std::unique_ptr<RegistryKey> MemoryRegistry::OpenRoot(RootKey root) {
    return OpenRoot(root, RegistryView::Default);
}

std::unique_ptr<RegistryKey> MemoryRegistry::OpenRoot(RootKey root, RegistryView view) {
    if (failures_.ShouldFail(Operation::OpenKey, RootName(root)))
        return nullptr;
    // The 32-bit view of a 64-bit system: asked for, or a 32-bit program's own there.
    const bool wow64 = programBits_ == 32 && systemBits_ == 64;
    const bool redirected =
        root == RootKey::LocalMachine &&
        ((programBits_ == 64 && view == RegistryView::Force32) || (wow64 && view != RegistryView::Force64));
    if (!redirected)
        return std::make_unique<MemoryKey>(failures_, RootNode(root), KeyAccess::Default);
    return std::make_unique<MemoryKey>(failures_, localMachine_, KeyAccess::Default, localMachine_);
}

void MemoryRegistry::CreateKey(RootKey root, const std::string& path) {
    WalkCreating(RootNode(root), path);
}

void MemoryRegistry::SetString(RootKey root,
                               const std::string& path,
                               const std::string& name,
                               const std::string& text) {
    SetValue(root, path, name, kRegSz, text + std::string(1, '\0'));
}

void MemoryRegistry::SetDword(RootKey root,
                              const std::string& path,
                              const std::string& name,
                              std::uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    SetValue(root, path, name, kRegDword, bytes);
}

void MemoryRegistry::SetValue(RootKey root,
                              const std::string& path,
                              const std::string& name,
                              std::uint32_t type,
                              const std::string& data) {
    auto node = WalkCreating(RootNode(root), path);
    if (node)
        node->SetValue(name, {type, data});
}

bool MemoryRegistry::KeyExists(RootKey root, const std::string& path) const {
    return Walk(RootNode(root), path) != nullptr;
}

std::optional<StoredValue> MemoryRegistry::GetValue(RootKey root,
                                                    const std::string& path,
                                                    const std::string& name) const {
    auto node = Walk(RootNode(root), path);
    if (!node)
        return std::nullopt;
    const StoredValue* value = node->Value(name);
    if (!value)
        return std::nullopt;
    return *value;
}

std::vector<std::string> MemoryRegistry::SubkeyNames(RootKey root, const std::string& path) const {
    std::vector<std::string> names;
    if (auto node = Walk(RootNode(root), path)) {
        for (const auto& child : node->SortedChildren())
            names.push_back(child->name);
    }
    return names;
}

std::vector<std::string> MemoryRegistry::ValueNames(RootKey root, const std::string& path) const {
    std::vector<std::string> names;
    if (auto node = Walk(RootNode(root), path)) {
        for (const auto& entry : node->values)
            names.push_back(entry.first);
    }
    return names;
}

std::string MemoryRegistry::Dump() const {
    std::ostringstream out;
    DumpNode(*localMachine_, out);
    DumpNode(*currentUser_, out);
    return out.str();
}

}  // namespace platform::memory
