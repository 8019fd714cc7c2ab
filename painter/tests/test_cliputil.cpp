#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <string>

#include "painter/ClipUtil.h"
#include "platform/ui/Clipboard.h"

using namespace velt;

namespace {

const char kMime[] = "application/x-ombra-components";

std::string Bytes(TMemoryStream& m) { return std::string(m.Memory(), size_t(m.Size())); }

void Fill(TMemoryStream& m, const std::string& bytes) {
    m.Clear();
    m.WriteBuffer(bytes.data(), int64_t(bytes.size()));
}

// One TVerUdov named "A" without children, as the binary record form has it.
const std::string GoldenA{"\x40\x31\x0B\x00\x00\xE0\xB9\x30\x01\x05\x00\x00\x00\x01\x00\x00\x00\x41\x00\x00\x00\x00", 22};

class ClipUtilTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClipUtilStartup();
        QGuiApplication::clipboard()->setText("before");
    }
    std::string OnClipboard() const {
        const QMimeData* d = QGuiApplication::clipboard()->mimeData();
        return d ? d->data(kMime).toStdString() : std::string();
    }
};

}  // namespace

TEST_F(ClipUtilTest, StreamRoundTripKeepsEveryByte) {
    std::string bytes;
    for (int i = 0; i < 600; ++i) bytes += char(i * 7);  // zeros and high bytes among them
    TMemoryStream m;
    Fill(m, bytes);
    m.SetPosition(100);
    SaveStreamToCLB(CF_GRCOMP(), m);
    EXPECT_EQ(m.GetPosition(), 100);  // the caller's stream is left where it was
    EXPECT_EQ(OnClipboard(), bytes);
    EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasText());  // replaced, not added to

    auto back = LoadStreamFromCLB(CF_GRCOMP());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->GetPosition(), 0);
    EXPECT_EQ(Bytes(*back), bytes);
}

TEST_F(ClipUtilTest, EmptyStreamLeavesTheClipboardAsItWas) {
    TMemoryStream m;
    Fill(m, "old");
    SaveStreamToCLB(CF_GRCOMP(), m);
    TMemoryStream empty;
    SaveStreamToCLB(CF_GRCOMP(), empty);
    EXPECT_EQ(OnClipboard(), "old");

    QGuiApplication::clipboard()->setText("text only");
    SaveStreamToCLB(CF_GRCOMP(), empty);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "text only");
}

TEST_F(ClipUtilTest, ForeignDataGivesAnEmptyStreamAndNoComponent) {
    auto s = LoadStreamFromCLB(CF_GRCOMP());
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Size(), 0);

    auto root = TVerUdov::NewRoot<TVerUdov>();
    EXPECT_EQ(LoadVerUdovFromCLB(*root), nullptr);
    EXPECT_EQ(root->GetComponentCount(), 0);
    EXPECT_EQ(LoadVerUdovFromCLB(), nullptr);

    QGuiApplication::clipboard()->clear();
    EXPECT_EQ(LoadStreamFromCLB(CF_GRCOMP())->Size(), 0);
    EXPECT_EQ(LoadVerUdovFromCLB(), nullptr);
}

TEST_F(ClipUtilTest, ComponentRecordRoundTrip) {
    auto a = TVerUdov::NewRoot<TVerUdov>();
    a->Name = "A";
    SaveVerUdovToCLB(*a);
    EXPECT_EQ(OnClipboard(), GoldenA);

    auto root = TVerUdov::NewRoot<TVerUdov>();
    TVerUdov* child = LoadVerUdovFromCLB(*root);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->Name, "A");
    EXPECT_EQ(child->GetOwner(), root.get());
    ASSERT_EQ(root->GetComponentCount(), 1);

    auto alone = LoadVerUdovFromCLB();
    ASSERT_TRUE(alone);
    EXPECT_EQ(alone->Name, "A");
    EXPECT_EQ(alone->GetOwner(), nullptr);
}

TEST_F(ClipUtilTest, PayloadsTheRecordReaderRefusesAddNothing) {
    auto root = TVerUdov::NewRoot<TVerUdov>();
    TMemoryStream m;
    // The list form (a count first) is not one record.
    Fill(m, std::string("\x01\x00\x00\x00", 4) + GoldenA);
    SaveStreamToCLB(CF_GRCOMP(), m);
    EXPECT_THROW(LoadVerUdovFromCLB(*root), EReadError);
    EXPECT_EQ(root->GetComponentCount(), 0);
    // A record cut short.
    Fill(m, GoldenA.substr(0, 15));
    SaveStreamToCLB(CF_GRCOMP(), m);
    EXPECT_THROW(LoadVerUdovFromCLB(*root), EReadError);
    EXPECT_EQ(root->GetComponentCount(), 0);
}

TEST_F(ClipUtilTest, FormatNumbers) {
    const uint16_t f = CF_GRCOMP();
    EXPECT_GE(f, 0xC000);
    ClipUtilStartup();
    EXPECT_EQ(CF_GRCOMP(), f);
    EXPECT_EQ(ClipboardFormatMime(f), kMime);
    // A number nobody registered is an error, the clipboard untouched.
    TMemoryStream m;
    Fill(m, "x");
    try {
        SaveStreamToCLB(0x0001, m);
        FAIL();
    } catch (const EClipboardException& e) {
        EXPECT_EQ(e.Message, "Clipboard format 1 is not registered");
    }
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
    EXPECT_THROW(LoadStreamFromCLB(0xFFFE), EClipboardException);
}
