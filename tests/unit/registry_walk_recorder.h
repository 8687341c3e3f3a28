#pragma once
// A registry in front of another that notes every AutoCAD key a search opens straight below an
// HKEY_LOCAL_MACHINE root, with the view that root was opened in: the walks the search made.

#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace registry_walks {

class WalkRecorder : public platform::Registry {
  public:
    // Not owned; outlives the recorder.
    explicit WalkRecorder(platform::Registry& inner) : inner_(inner) {}

    std::unique_ptr<platform::RegistryKey> OpenRoot(platform::RootKey root) override {
        return Wrap(root, "own", inner_.OpenRoot(root));
    }
    std::unique_ptr<platform::RegistryKey> OpenRoot(platform::RootKey root,
                                                    platform::RegistryView view) override {
        const char* label = view == platform::RegistryView::Force32   ? "32"
                            : view == platform::RegistryView::Force64 ? "64"
                                                                      : "own";
        return Wrap(root, label, inner_.OpenRoot(root, view));
    }
    int SystemBitness() override { return inner_.SystemBitness(); }

    // "<own|32|64> <path>" of each AutoCAD key opened, in order.
    std::vector<std::string> walks;

  private:
    class Root : public platform::RegistryKey {
      public:
        Root(std::unique_ptr<platform::RegistryKey> inner, std::string label, std::vector<std::string>& walks)
            : inner_(std::move(inner)), label_(std::move(label)), walks_(walks) {}
        std::unique_ptr<platform::RegistryKey> Open(const std::string& path,
                                                    platform::KeyAccess access) override {
            auto opened = inner_->Open(path, access);
            const std::string tail = "\\Autodesk\\AutoCAD";
            if (opened && path.size() >= tail.size() &&
                path.compare(path.size() - tail.size(), tail.size(), tail) == 0)
                walks_.push_back(label_ + " " + path);
            return opened;
        }
        std::unique_ptr<platform::RegistryKey> Create(const std::string& path) override {
            return inner_->Create(path);
        }
        std::optional<std::uint32_t> SubkeyCount() override { return inner_->SubkeyCount(); }
        std::optional<std::string> SubkeyName(std::uint32_t index, std::size_t capacity) override {
            return inner_->SubkeyName(index, capacity);
        }
        platform::ValueRead ReadValue(const std::string& name, std::size_t capacity) override {
            return inner_->ReadValue(name, capacity);
        }
        bool WriteString(const std::string& name, const std::string& text) override {
            return inner_->WriteString(name, text);
        }
        bool WriteDword(const std::string& name, std::uint32_t value) override {
            return inner_->WriteDword(name, value);
        }
        bool DeleteValue(const std::string& name) override { return inner_->DeleteValue(name); }
        bool DeleteSubkey(const std::string& path) override { return inner_->DeleteSubkey(path); }

      private:
        std::unique_ptr<platform::RegistryKey> inner_;
        std::string label_;
        std::vector<std::string>& walks_;
    };

    std::unique_ptr<platform::RegistryKey> Wrap(platform::RootKey root,
                                                const char* label,
                                                std::unique_ptr<platform::RegistryKey> key) {
        if (!key || root != platform::RootKey::LocalMachine)
            return key;
        return std::make_unique<Root>(std::move(key), label, walks);
    }

    platform::Registry& inner_;
};

}  // namespace registry_walks
