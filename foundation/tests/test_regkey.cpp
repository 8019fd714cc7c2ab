#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/Classes.h"
#include "foundation/CommMsg.h"
#include "foundation/RegKey.h"
#include "foundation/SysExcpt.h"
#include "foundation/tests/FoundationTestUtil.h"

using namespace velt;
using namespace velt::winreg;
using velt::test::MessageOf;
using velt::test::SysCodeOf;

namespace {

class RecordingSink : public TMessageSink {
public:
    void Info(std::string_view t) override { shown.emplace_back(t); }
    void Warning(std::string_view t) override { shown.emplace_back(t); }
    void Line(std::string_view t) override { shown.emplace_back(t); }
    bool Query(std::string_view) override { return false; }
    void Beep() override {}
    std::vector<std::string> shown;
};

class RegKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("VELT_REGISTRY_DIR", tmp.Dir.c_str(), 1);
        key_ = (new TRegistryKey(HKEY_CURRENT_USER))->SubKey("Software\\Trel\\Test");
    }
    void TearDown() override {
        delete key_;
        ::unsetenv("VELT_REGISTRY_DIR");
    }
    HKEY Handle() const { return static_cast<TRegistryKey*>(key_)->KeyHandle; }
    void SetRaw(const char* name, uint32_t type, const std::string& data) {
        ASSERT_EQ(RegSetValueExA(Handle(), name, 0, type, reinterpret_cast<const uint8_t*>(data.data()),
                                 uint32_t(data.size())),
                  ERROR_SUCCESS);
    }
    velt::test::TTempFolder tmp;
    TKey* key_ = nullptr;
};

std::vector<std::string> Names(TStringList* list) {
    std::unique_ptr<TStringList> owned(list);
    return owned->Strings();
}

}  // namespace

TEST(TKeyBase, StoresNothingAndAsksOnRead) {
    RecordingSink sink;
    TMessageSink* old = SetMessageSink(&sink);
    auto* key = new TKey();
    EXPECT_EQ(key->GetValue("x"), nullptr);
    EXPECT_EQ(sink.shown, std::vector<std::string>{"??"});
    EXPECT_FALSE(key->ValueExists("x"));
    EXPECT_EQ(key->GetAsInteger("x", 42), 42);
    EXPECT_EQ(key->GetAsString("x", "dflt"), "dflt");
    EXPECT_FALSE(key->SubKeyExists("x"));
    EXPECT_TRUE(Names(key->EnumSubKeys()).empty());
    key->SetVInteger("x", 1);
    EXPECT_EQ(key->DeleteValue("x")->SetValue("y", nullptr), key);

    TVRecRef def(key->GetValueAs("x", vkString));
    EXPECT_EQ(def->Kind, vkString);
    EXPECT_FALSE(def->IsNull);

    std::weak_ptr<void> first = key->AliveToken();
    TKey* sub = key->SubKey("Child");  // frees key
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(sub->Name, "Child");
    delete sub;
    SetMessageSink(old);
}

TEST_F(RegKeyTest, MissingValuesGiveDefaultsAndWrongKindsRaise) {
    EXPECT_EQ(key_->GetAsInteger("Missing", -7), -7);
    EXPECT_EQ(key_->GetAsString("Missing", "d"), "d");
    EXPECT_FALSE(key_->ValueExists("Missing"));
    TVRecRef asDefault(key_->GetValueAs("Missing", vkInteger));
    EXPECT_EQ(asDefault->Kind, vkInteger);

    key_->SetVString("Text", "12");
    key_->SetVInteger("Number", -5);
    EXPECT_EQ(SysCodeOf([&] { key_->GetAsInteger("Text", 0); }), seSettingWrongKind);
    EXPECT_EQ(SysCodeOf([&] { key_->GetAsString("Number", ""); }), seSettingWrongKind);
    EXPECT_EQ(key_->GetAsInteger("NUMBER", 0), -5);
    EXPECT_EQ(key_->GetAsString("text", ""), "12");
    EXPECT_EQ(key_->GetValueType("Text"), vkString);
    EXPECT_THROW(key_->GetValueType("Missing"), Exception);
}

TEST_F(RegKeyTest, StoredTypesAndSizes) {
    key_->SetVString("Empty", "");
    uint32_t type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(Handle(), "Empty", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(key_->GetAsString("Empty", "x"), "");

    TVRecRef yes(TVRec::CreateBoolean(true));
    key_->DoSetValue("Flag", yes.get());
    EXPECT_EQ(key_->GetValueType("Flag"), vkInteger);
    EXPECT_EQ(key_->GetAsInteger("Flag", 0), 1);

    TVRecRef real(TVRec::CreateFloat(1.5));
    EXPECT_EQ(SysCodeOf([&] { key_->SetValue("Real", real.get()); }), seRegistryCannotWrite);
    EXPECT_EQ(SysCodeOf([&] { key_->SetValue("Real", nullptr); }), seRegistryCannotWrite);
    EXPECT_FALSE(key_->ValueExists("Real"));
}

TEST_F(RegKeyTest, ForeignRegistryDataReadsSafely) {
    SetRaw("NoNul", REG_SZ, "abc");                       // no terminating NUL
    SetRaw("Cut", REG_SZ, std::string("ab\0cd\0", 6));
    SetRaw("Expand", REG_EXPAND_SZ, std::string("%HOME%/x\0", 9));
    SetRaw("Binary", REG_BINARY, "\x01\x02");
    SetRaw("ShortDword", REG_DWORD, "\x01\x02");
    EXPECT_EQ(key_->GetAsString("NoNul", ""), "abc");
    EXPECT_EQ(key_->GetAsString("Cut", ""), "ab");
    EXPECT_EQ(key_->GetAsString("Expand", ""), "%HOME%/x");
    EXPECT_EQ(SysCodeOf([&] { TVRec::Release(key_->GetValue("Binary")); }), seRegistryCannotRead);
    EXPECT_EQ(SysCodeOf([&] { key_->GetAsInteger("ShortDword", 0); }), seRegistryCannotRead);
    // Existence is asked through reading, so an unreadable value raises as a read does.
    EXPECT_EQ(SysCodeOf([&] { key_->ValueExists("Binary"); }), seRegistryCannotRead);
    key_->DeleteValue("Binary")->DeleteValue("Binary");  // the second delete fails quietly
    EXPECT_FALSE(key_->ValueExists("Binary"));
}

TEST_F(RegKeyTest, SubKeysAreCreatedListedAndDeleted) {
    EXPECT_TRUE(Names(key_->EnumSubKeys()).empty());
    EXPECT_FALSE(key_->SubKeyExists("Loom/2 Services"));

    TKey* deep = key_->CreateSubKey("Loom/2 Services\\Hotkeys");
    deep->SetVString("Project Tree", "F10");
    EXPECT_EQ(deep->Name, "");
    EXPECT_EQ(deep->Access, KEY_ALL_ACCESS);
    delete deep;
    delete key_->CreateSubKey("alpha");

    EXPECT_EQ(Names(key_->EnumSubKeys()), (std::vector<std::string>{"alpha", "Loom/2 Services"}));
    EXPECT_TRUE(key_->SubKeyExists("LOOM/2 SERVICES\\hotkeys"));
    EXPECT_FALSE(key_->SubKeyExists("Loom"));

    TKey* walk = (new TRegistryKey(HKEY_CURRENT_USER))
                     ->SubKey("software")
                     ->SubKey("TREL\\test")
                     ->SubKey("Loom/2 Services")
                     ->SubKey("Hotkeys");
    EXPECT_EQ(walk->GetAsString("project tree", ""), "F10");
    delete walk;

    key_->DeleteSubKey("Loom/2 Services");  // still has a sub key: ignored
    EXPECT_TRUE(key_->SubKeyExists("Loom/2 Services"));
    key_->DeleteSubKey("Loom/2 Services\\Hotkeys");
    key_->DeleteSubKey("Loom/2 Services");
    EXPECT_EQ(Names(key_->EnumSubKeys()), std::vector<std::string>{"alpha"});

    // The longest name the registry allows is listed, not dropped.
    std::string longName(kMaxKeyNameLength, 'z');
    delete key_->CreateSubKey(longName);
    EXPECT_EQ(Names(key_->EnumSubKeys()), (std::vector<std::string>{"alpha", longName}));
}

TEST_F(RegKeyTest, FailuresToOpenOrWriteRaise) {
    std::weak_ptr<void> alive = key_->AliveToken();
    EXPECT_EQ(MessageOf([&] { key_->SubKey("\\bad"); }), "Win32 error: 161");
    EXPECT_FALSE(alive.expired());  // the key survives a failed SubKey

    TKey* readOnly = (new TRegistryKey(HKEY_CURRENT_USER))->SubKey("Software");
    readOnly->Access = KEY_READ;
    readOnly = readOnly->SubKey("Trel\\Test");  // a handle opened for reading only
    EXPECT_THROW(readOnly->CreateSubKey("New"), Exception);
    EXPECT_EQ(MessageOf([&] { readOnly->SetVInteger("Lost", 1); }), "Win32 error: 5");
    delete readOnly;
}
