// The registration record each deliverable carries, byte for byte, as the host reads it before loading the file;
// and the numbers in it against what global set-up reports at run time.
#include <algorithm>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/pe_resources.h"
#include "host/pipl.h"
#include "host/pipl_source.h"
#include "plugin_fixture.h"

namespace pwtest {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr std::size_t kRecordSize = 298;

struct RecordWriter {
    Bytes bytes;

    void U16(uint32_t v)
    {
        bytes.push_back(uint8_t(v));
        bytes.push_back(uint8_t(v >> 8));
    }
    void U32(uint32_t v)
    {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    static Bytes Reversed(const char* code) { return Bytes{uint8_t(code[3]), uint8_t(code[2]), uint8_t(code[1]), uint8_t(code[0])}; }
    // `data` is the property's counted bytes; the zero bytes up to a multiple of four follow uncounted.
    void Property(const char* key, const Bytes& data, uint32_t length)
    {
        ASSERT_EQ(data.size(), length) << key;
        for (uint8_t b : Reversed("8BIM")) bytes.push_back(b);
        for (uint8_t b : Reversed(key)) bytes.push_back(b);
        U32(0);
        U32(length);
        bytes.insert(bytes.end(), data.begin(), data.end());
        while (bytes.size() % 4 != 2) bytes.push_back(0);  // the list starts 2 bytes into the resource
    }
};

Bytes Counted(const std::string& text, std::size_t zeros)
{
    Bytes b(1 + text.size() + zeros, 0);
    b[0] = uint8_t(text.size());
    std::copy(text.begin(), text.end(), b.begin() + 1);
    return b;
}
Bytes Le32(uint32_t v) { return Bytes{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
Bytes Shorts(uint16_t a, uint16_t b) { return Bytes{uint8_t(a), uint8_t(a >> 8), uint8_t(b), uint8_t(b >> 8)}; }

// The record a deliverable for that processor must carry, written out from its documented values.
Bytes ExpectedRecord(bool x64)
{
    RecordWriter w;
    w.U16(1);
    w.U32(0);
    w.U32(12);
    w.Property("kind", RecordWriter::Reversed("eFKT"), 4);
    w.Property("name", Counted("Pulsewarper", 0), 12);
    w.Property("catg", Counted("Vantik", 1), 8);
    const std::string entry = "EntryPointFunc";
    Bytes entryBytes(entry.begin(), entry.end());
    entryBytes.insert(entryBytes.end(), 2, 0);
    w.Property(x64 ? "8664" : "wx86", entryBytes, 16);
    w.Property("ePVR", Shorts(2, 0), 4);
    w.Property("eSVR", x64 ? Shorts(13, 0) : Shorts(12, 10), 4);
    w.Property("eVER", Le32(525825), 4);
    w.Property("eINF", Bytes{0, 0}, 2);
    w.Property("eGLO", Le32(0x06000044), 4);
    w.Property("eGL2", Le32(0x00001400), 4);
    w.Property("eMNA", Counted("Pulsewarper by Dolmavena", 3), 28);
    w.Property("aeFL", Le32(8), 4);
    return w.bytes;
}

// What the host's reader makes of a deliverable's record: 12 properties in order whose sizes fill it exactly.
void ExpectParsesAsEffectRecord(const Bytes& bytes, bool x64)
{
    pwhost::PiplRecord record;
    std::string error;
    ASSERT_TRUE(pwhost::ParsePipl(bytes, record, error)) << error;
    const std::vector<std::string> keys{"kind", "name", "catg", x64 ? "8664" : "wx86", "ePVR", "eSVR",
                                        "eVER", "eINF", "eGLO", "eGL2", "eMNA", "aeFL"};
    ASSERT_EQ(record.properties.size(), keys.size());
    std::size_t total = 10;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(record.properties[i].key, keys[i]) << "property " << i + 1;
        EXPECT_EQ(record.properties[i].vendor, "8BIM") << "property " << i + 1;
        EXPECT_EQ(record.properties[i].id, 0) << "property " << i + 1;
        total += 16 + record.properties[i].paddedSize;
    }
    EXPECT_EQ(total, bytes.size());
    std::string entryPoint;
    EXPECT_TRUE(pwhost::ValidateEffectPipl(record, x64 ? "8664" : "wx86", entryPoint, error)) << error;
    EXPECT_EQ(entryPoint, "EntryPointFunc");
    std::string matchName;
    EXPECT_TRUE(record.PascalString("eMNA", matchName));
    EXPECT_EQ(matchName, "Pulsewarper by Dolmavena");
}

void ExpectRecord(const Bytes& bytes, bool x64)
{
    EXPECT_EQ(bytes.size(), kRecordSize);
    EXPECT_EQ(bytes, ExpectedRecord(x64));
    ExpectParsesAsEffectRecord(bytes, x64);
}

TEST(RegistrationRecordLayout, ExpectedRecordsAreTheDocumentedSize)
{
    // The reference itself: 298 bytes, and the two processors' records differ in the entry key and version only.
    const Bytes x86 = ExpectedRecord(false), x64 = ExpectedRecord(true);
    ASSERT_EQ(x86.size(), kRecordSize);
    ASSERT_EQ(x64.size(), kRecordSize);
    std::vector<std::size_t> differ;
    for (std::size_t i = 0; i < kRecordSize; ++i)
        if (x86[i] != x64[i]) differ.push_back(i);
    EXPECT_FALSE(differ.empty());
    for (std::size_t i : differ) EXPECT_TRUE((i >= 86 && i < 90) || (i >= 150 && i < 154)) << "byte " << i;
}

class RegistrationRecordTest : public PluginTest {
protected:
    void SetUp() override
    {
        if (Env().pluginPath.empty()) GTEST_SKIP() << "the built-in flavours have no file";
    }
    static bool ThisProcessorIs64() { return sizeof(void*) == 8; }

    Bytes FileRecord()
    {
        Bytes bytes;
        std::string error;
        EXPECT_TRUE(pwhost::ReadPluginPipl(Env().pluginPath, bytes, error)) << error;
        return bytes;
    }
};

TEST_F(RegistrationRecordTest, FileCarriesTheRecordForItsProcessor)
{
    EXPECT_STREQ(pwhost::HostEntryKey(), ThisProcessorIs64() ? "8664" : "wx86");
    ExpectRecord(FileRecord(), ThisProcessorIs64());
}

TEST_F(RegistrationRecordTest, RecordAgreesWithGlobalSetup)
{
    pwhost::PiplRecord record;
    std::string error;
    ASSERT_TRUE(pwhost::ParsePipl(FileRecord(), record, error)) << error;
    uint32_t version = 0, flags = 0, flags2 = 0;
    ASSERT_TRUE(record.Long("eVER", version));
    ASSERT_TRUE(record.Long("eGLO", flags));
    ASSERT_TRUE(record.Long("eGL2", flags2));

    const auto r = Run(PF_Cmd_GLOBAL_SETUP);
    ASSERT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(static_cast<uint32_t>(r.after.my_version), version);
    EXPECT_EQ(static_cast<uint32_t>(r.after.out_flags), flags);
    EXPECT_EQ(static_cast<uint32_t>(r.after.out_flags2), flags2);
}

// The Windows deliverables read as files, without loading them: machine, resource identity and bytes.
struct Deliverable {
    int bits;
    uint16_t machine;
};

std::ostream& operator<<(std::ostream& os, const Deliverable& d) { return os << d.bits << "-bit"; }

const std::string& AexPath(int bits) { return bits == 32 ? Env().aex32 : Env().aex64; }

class DeliverableRecordTest : public ::testing::TestWithParam<Deliverable> {
protected:
    void SetUp() override
    {
        if (AexPath(GetParam().bits).empty()) GTEST_SKIP() << "no --aex" << GetParam().bits << "= given";
    }
};

TEST_P(DeliverableRecordTest, ResourceIsTheRecordForItsMachine)
{
    const Deliverable d = GetParam();
    Bytes image, bytes;
    std::string error;
    ASSERT_TRUE(pwhost::ReadFileBytes(AexPath(d.bits), image, error)) << error;
    pwhost::PeImageInfo info;
    ASSERT_TRUE(pwhost::ReadPeResource(image, "PIPL", 16000, 1033, bytes, info, error)) << error;
    EXPECT_EQ(info.machine, d.machine);
    EXPECT_EQ(info.pe32Plus, d.bits == 64);
    ExpectRecord(bytes, d.bits == 64);

    // Found only under that type, identifier and language.
    Bytes other;
    pwhost::PeImageInfo ignored;
    EXPECT_FALSE(pwhost::ReadPeResource(image, "PIPL", 16001, 1033, other, ignored, error));
    EXPECT_FALSE(pwhost::ReadPeResource(image, "PIPL", 16000, 1031, other, ignored, error));
    EXPECT_FALSE(pwhost::ReadPeResource(image, "PIPX", 16000, 1033, other, ignored, error));
}

INSTANTIATE_TEST_SUITE_P(Both, DeliverableRecordTest,
                         ::testing::Values(Deliverable{32, 0x14c}, Deliverable{64, 0x8664}));

TEST(DeliverableRecords, BothBuildsShareTheMatchName)
{
    if (Env().aex32.empty() || Env().aex64.empty()) GTEST_SKIP() << "needs --aex32= and --aex64=";
    std::string names[2];
    for (int i = 0; i < 2; ++i) {
        Bytes image, bytes;
        std::string error;
        ASSERT_TRUE(pwhost::ReadFileBytes(i ? Env().aex64 : Env().aex32, image, error)) << error;
        pwhost::PeImageInfo info;
        ASSERT_TRUE(pwhost::ReadPeResource(image, "PIPL", 16000, 1033, bytes, info, error)) << error;
        pwhost::PiplRecord record;
        ASSERT_TRUE(pwhost::ParsePipl(bytes, record, error)) << error;
        ASSERT_TRUE(record.PascalString("eMNA", names[i]));
    }
    EXPECT_EQ(names[0], names[1]);
    EXPECT_EQ(names[0], "Pulsewarper by Dolmavena");
}

}  // namespace
}  // namespace pwtest
