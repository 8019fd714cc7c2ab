#include <gtest/gtest.h>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "foundation/Classes.h"
#include "foundation/CommMsg.h"
#include "graphics/GRFCtrl.h"
#include "graphics/GraphicsUnits.h"
#include "graphics/Options.h"
#include "graphics/VCLUtils.h"

using namespace velt;
namespace fs = std::filesystem;

namespace {

// A fresh folder for one test's INI file.
class IniFolder {
public:
    IniFolder() {
        dir_ = fs::path(::testing::TempDir()) /
               ("velt_palette_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    ~IniFolder() { fs::remove_all(dir_); }
    std::string Ini() const { return (dir_ / "test.INI").string(); }
    void Write(const std::string& text) const { AtomicWriteFile(Ini(), text.data(), text.size()); }
    std::string Read() const { return ReadWholeFile(Ini()); }
    const fs::path& Dir() const { return dir_; }

private:
    fs::path dir_;
};

class WarningSink : public TMessageSink {
public:
    void Info(std::string_view) override {}
    void Warning(std::string_view text) override { Warnings.emplace_back(text); }
    void Line(std::string_view) override {}
    bool Query(std::string_view) override { return false; }
    void Beep() override {}
    std::vector<std::string> Warnings;
};

// The graphics base started on an INI file, stopped at the end.
class Started {
public:
    explicit Started(const std::string& ini) { GraphicsStartup(ini); }
    ~Started() { GraphicsShutdown(); }
};

}  // namespace

TEST(Palette, AFreshInstallationHasTheStandardColoursAndWritesNothing) {
    IniFolder folder;
    {
        Started s(folder.Ini());
        EXPECT_EQ(PalSize(), 16);
        EXPECT_EQ(GetPaletteEntries(PalHandle()), 16);
        EXPECT_EQ(GetColorName(7), "Gray ");
        EXPECT_EQ(GetColorName(12), "Blue");
        EXPECT_EQ(GetColor(12), 0x02FF0000);
        EXPECT_EQ(GetColor(16), clBlack);  // beyond PalSize
        EXPECT_EQ(GetColorIndex(clBlack), 0);
        EXPECT_EQ(GetColorIndex(clYellow | PaletteRelativeFlag), 11);
        EXPECT_FALSE(PaletteChanged());
    }
    EXPECT_FALSE(fs::exists(folder.Ini()));
}

TEST(Palette, UserColoursGoBackToTheirKeysAndGapsStayBlack) {
    IniFolder folder;
    folder.Write("[Other]\r\nC16=1\r\n[Palette]\r\nC20=255\r\nC21=oops\r\nC63=0\r\n");
    {
        Started s(folder.Ini());
        EXPECT_EQ(PalSize(), 21);  // only C20 holds a colour
        EXPECT_EQ(GetColorName(20), "FF.0.0");
        const TPaletteEntry gap = PalEntry(17);
        EXPECT_EQ(gap.peRed + gap.peGreen + gap.peBlue, 0);
        EXPECT_EQ(gap.peFlags, PC_NOCOLLAPSE);
        EXPECT_EQ(GetColorName(17), "0.0.0");
        EXPECT_EQ(GetColorIndex(RGB(1, 2, 3)), 21);
        EXPECT_EQ(GetColorIndex(RGB(1, 2, 3)), 21);
        EXPECT_EQ(PalSize(), 22);
        EXPECT_TRUE(PaletteChanged());
        EXPECT_EQ(GetColor(21), RGB(1, 2, 3) | PaletteRelativeFlag);
        SetPalForPrint(true);
        EXPECT_EQ(GetColor(21), RGB(1, 2, 3));
        SetPalForPrint(false);
    }
    // Only the entry given a colour is written (1 + 2 x 256 + 3 x 65536); the
    // gaps keep no key, C63 beyond PalSize is left as it was.
    EXPECT_EQ(folder.Read(), "[Other]\r\nC16=1\r\n[Palette]\r\nC20=255\r\nC21=197121\r\nC63=0\r\n");
    Started again(folder.Ini());
    EXPECT_EQ(PalSize(), 22);
    EXPECT_EQ(GetColorIndex(RGB(1, 2, 3)), 21);
}

TEST(Palette, AColourWrittenByHandWithBlanksAroundItsEqualsSignLoadsAndIsReplacedOnSave) {
    IniFolder folder;
    folder.Write("[Palette]\r\nC16=255\r\n  C17 = 65280 \r\n");
    {
        Started s(folder.Ini());
        EXPECT_EQ(PalSize(), 18);
        EXPECT_EQ(GetColorName(17), "0.FF.0");
        ChangePalColor(17, RGB(1, 2, 3));
    }
    EXPECT_EQ(folder.Read(), "[Palette]\r\nC16=255\r\nC17=197121\r\n");
}

TEST(Palette, ColoursOthersSavedMeanwhileStayAndAnUnchangedPaletteWritesNothing) {
    IniFolder folder;
    folder.Write("[Palette]\nC20=255\n");
    {
        Started s(folder.Ini());
        EXPECT_EQ(PalSize(), 21);
        // Another instance saves a colour above this run's PalSize; the user
        // edits a loaded one.
        Options::TOptionsStore other(folder.Ini());
        other.WriteValue("Palette", "C40", int32_t(5));
        other.WriteValue("Palette", "C20", int32_t(77));
        EXPECT_EQ(GetColorIndex(RGB(1, 2, 3)), 21);
    }
    EXPECT_EQ(folder.Read(), "[Palette]\r\nC20=77\r\nC40=5\r\nC21=197121\r\n");

    folder.Write("[Palette]\nC20=255\n");
    struct stat before {}, after {};
    ASSERT_EQ(::stat(folder.Ini().c_str(), &before), 0);
    {
        Started s(folder.Ini());
        // Colour 0 stores nothing, yet the palette grows to take the index.
        EXPECT_EQ(ChangePalColor(30, 0), 0);
        EXPECT_EQ(PalSize(), 31);
        EXPECT_FALSE(PaletteChanged());
        EXPECT_EQ(GetColorName(30), "0.0.0");
    }
    ASSERT_EQ(::stat(folder.Ini().c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // not even rewritten
    EXPECT_EQ(folder.Read(), "[Palette]\nC20=255\n");
}

TEST(Palette, AFullPaletteOverwritesItsLastEntryAndBadIndicesAreRefused) {
    IniFolder folder;
    Started s(folder.Ini());
    for (int i = 0; i < 48; ++i) EXPECT_EQ(GetColorIndex(RGB(uint8_t(i + 1), 0, 0)), 16 + i);
    EXPECT_EQ(GetColorIndex(RGB(0, 1, 0)), 63);
    EXPECT_EQ(GetColorIndex(RGB(0, 2, 0)), 63);
    EXPECT_EQ(GetColorName(63), "0.2.0");
    EXPECT_EQ(PalSize(), 64);
    EXPECT_EQ(ChangePalColor(70, RGB(0, 3, 0)), 63);
    EXPECT_EQ(ChangePalColor(-1, 0), 0);  // colour 0 stores nothing
    EXPECT_THROW(ChangePalColor(-2, clRed), ERangeError);
    EXPECT_THROW(GetColor(-1), ERangeError);
    EXPECT_THROW(GetColorName(64), ERangeError);
    EXPECT_THROW(GetColorName(-1), ERangeError);
    EXPECT_EQ(GetPenStyle(3), psDot);
    EXPECT_EQ(GetPenStyle(6), psSolid);
    EXPECT_EQ(GetBrushStyle(8), bsClear);
    EXPECT_EQ(GetBrushStyle(-1), bsClear);
}

TEST(Palette, ASaveThatFailsAtShutDownIsReportedNotRaised) {
    IniFolder folder;
    WarningSink sink;
    TMessageSink* old = SetMessageSink(&sink);
    GraphicsStartup(folder.Ini());
    GetColorIndex(RGB(9, 9, 9));
    fs::remove_all(folder.Dir());  // nowhere to write the file
    EXPECT_NO_THROW(GraphicsShutdown());
    SetMessageSink(old);
    ASSERT_EQ(sink.Warnings.size(), 1u);
    EXPECT_NE(sink.Warnings[0].find("palette could not be saved"), std::string::npos);
    EXPECT_FALSE(GraphicsStarted());
    EXPECT_FALSE(Options::OptionsStarted());
}

TEST(Options, ValuesTravelAsTextAndEveryChangeIsSavedAtOnce) {
    IniFolder folder;
    Options::OptionsStartup(folder.Ini());
    Options::OptionsStartup(folder.Ini());  // a second module: counted
    EXPECT_EQ(Options::ReadValue("S", "missing"), "");
    EXPECT_EQ(Options::ReadValueDef("S", "missing", 5), "5");
    EXPECT_EQ(Options::ReadValueDef("S", "missing", 2.5), "2.5");
    Options::WriteValue("S", "Name", "value");
    Options::WriteValue("S", "Count", int32_t(7));
    EXPECT_EQ(folder.Read(), "[S]\r\nName=value\r\nCount=7\r\n");
    EXPECT_EQ(Options::ReadValueDef("s", "count", 0), "7");
    TStringList keys;
    Options::ReadSection("S", keys);
    EXPECT_EQ(keys.Text(), "Name\r\nCount\r\n");
    Options::Store().BeginUpdate();
    Options::EraseSection("S");
    Options::WriteValue("T", "A", "1");
    EXPECT_EQ(folder.Read(), "[S]\r\nName=value\r\nCount=7\r\n");  // held back
    Options::Store().EndUpdate();
    EXPECT_EQ(folder.Read(), "[T]\r\nA=1\r\n");
    EXPECT_THROW(Options::WriteValue("T", "bad=key", "x"), Exception);
    Options::OptionsShutdown();
    EXPECT_TRUE(Options::OptionsStarted());
    Options::OptionsShutdown();
    EXPECT_FALSE(Options::OptionsStarted());
    EXPECT_THROW(Options::ReadValue("T", "A"), Exception);
}
