#pragma once
// Registry values read as text, checked against every backend: only REG_SZ and REG_EXPAND_SZ are
// text, the text must leave room for its zero in the buffer, and a REG_EXPAND_SZ is expanded within
// the same buffer.

#include "platform/registry_text.h"
#include "tests/contract/contract_fixture.h"

namespace contract {

class RegistryTextContract : public PlatformContract {
  protected:
    // "Ok <text>", or the status alone.
    std::string ReadAsText(const std::string& name, std::size_t capacity) {
        auto root = services().registry.OpenRoot(platform::RootKey::CurrentUser);
        auto key = root ? root->Open(backend->ScratchKeyPath(), platform::KeyAccess::Read) : nullptr;
        if (!key)
            return "no key";
        auto environment = services();
        const platform::TextRead read = platform::ReadText(*key, name, capacity, environment.environment);
        switch (read.status) {
            case platform::TextStatus::Ok:
                return "Ok " + read.text;
            case platform::TextStatus::Missing:
                return "Missing";
            case platform::TextStatus::WrongType:
                return "WrongType";
            case platform::TextStatus::TooLarge:
                return "TooLarge";
            case platform::TextStatus::Failed:
                break;
        }
        return "Failed";
    }
};

TEST_P(RegistryTextContract, OnlyTextTypesAreTextAndTheyMustFitWithTheirZero) {
    constexpr std::size_t kCapacity = 256;
    const std::string fit(255, 'a');
    const std::string full(256, 'a');
    const std::string chineseFit = std::string(253, 'a') + "结";  // 255 bytes, the last two one character
    const std::string chineseFull = std::string(254, 'a') + "结";
    struct Content {
        const char* what;
        std::string data;
        std::string asText;  // the outcome for REG_SZ and REG_EXPAND_SZ
    };
    const Content contents[] = {
        {"empty", "", "Ok "},
        {"lone zero", std::string(1, '\0'), "Ok "},
        {"exact fit with the zero", fit + '\0', "Ok " + fit},
        {"exact fit without the zero", full, "TooLarge"},
        {"one byte over", full + '\0', "TooLarge"},
        {"Chinese ending at the boundary", chineseFit + '\0', "Ok " + chineseFit},
        {"Chinese filling the buffer", chineseFull, "TooLarge"},
        {"Chinese one byte over", chineseFull + '\0', "TooLarge"},
    };
    struct Kind {
        std::uint32_t type;
        bool text;
    };
    const Kind kinds[] = {{platform::kRegSz, true},
                          {platform::kRegExpandSz, true},
                          {7, false},  // REG_MULTI_SZ
                          {platform::kRegDword, false},
                          {3, false}};  // REG_BINARY
    for (const Kind& kind : kinds) {
        for (const Content& content : contents) {
            ASSERT_TRUE(backend->WriteScratchValue("Value", kind.type, content.data));
            EXPECT_EQ(ReadAsText("Value", kCapacity), kind.text ? content.asText : "WrongType")
                << "type " << kind.type << ", " << content.what;
        }
    }
    EXPECT_EQ(ReadAsText("Absent", kCapacity), "Missing");
}

TEST_P(RegistryTextContract, ExpandableTextIsExpandedWithinTheBuffer) {
    backend->SetVariable("BRELIX_TEST_ROOT", "C:\\Program Files\\AutoCAD");
    struct Case {
        std::uint32_t type;
        std::string data;
        std::string expected;
    };
    const Case cases[] = {
        {platform::kRegExpandSz, std::string("%BRELIX_TEST_ROOT%\\2010") + '\0',
         "Ok C:\\Program Files\\AutoCAD\\2010"},
        {platform::kRegExpandSz, std::string("%brelix_test_root%") + '\0', "Ok C:\\Program Files\\AutoCAD"},
        {platform::kRegSz, std::string("%BRELIX_TEST_ROOT%\\2010") + '\0', "Ok %BRELIX_TEST_ROOT%\\2010"},
        {platform::kRegExpandSz, std::string("%BRELIX_UNDEFINED_9%\\x") + '\0', "Ok %BRELIX_UNDEFINED_9%\\x"},
        {platform::kRegExpandSz, std::string("结构%BRELIX_TEST_ROOT%") + '\0',
         "Ok 结构C:\\Program Files\\AutoCAD"},
        // The reference is 18 bytes, its value 24: 55 + 24 fits 80 bytes with the zero, 56 + 24 does not.
        {platform::kRegExpandSz, std::string(55, 'x') + "%BRELIX_TEST_ROOT%" + '\0',
         "Ok " + std::string(55, 'x') + "C:\\Program Files\\AutoCAD"},
        {platform::kRegExpandSz, std::string(56, 'x') + "%BRELIX_TEST_ROOT%" + '\0', "TooLarge"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(backend->WriteScratchValue("Location", c.type, c.data));
        EXPECT_EQ(ReadAsText("Location", 80), c.expected) << c.data;
    }
}

}  // namespace contract
