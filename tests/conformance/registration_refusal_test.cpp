// A copy of the plug-in whose registration record was damaged is refused before any of its code runs, and the
// host says what is wrong. Windows files are patched in place (the record keeps its size); a Linux module gets a
// damaged .pipl beside it, which may also be cut short.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/module.h"
#include "host/pe_resources.h"
#include "host/pipl_source.h"
#include "plugin_env.h"

namespace pwtest {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

void PutU32(Bytes& b, std::size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

void Swap(Bytes& b, const std::string& from, const std::string& to)
{
    const auto at = std::search(b.begin(), b.end(), from.begin(), from.end());
    ASSERT_NE(at, b.end()) << "no \"" << from << "\" in the record";
    std::copy(to.begin(), to.end(), at);
}

std::string StoredEntryKey()
{
    const std::string key = pwhost::HostEntryKey();
    return std::string(key.rbegin(), key.rend());
}

struct Damage {
    const char* what;
    std::function<void(Bytes&)> apply;
    const char* message;  // part of the host's refusal
    bool resizes;         // only possible beside a Linux module
};

std::ostream& operator<<(std::ostream& os, const Damage& d) { return os << d.what; }

std::vector<Damage> Damages()
{
    return {
        {"entry point not exported", [](Bytes& b) { Swap(b, "EntryPointFunc", "EntryPointFunX"); },
         "does not export EntryPointFunX, the entry point its registration record names", false},
        {"kind not an effect", [](Bytes& b) { Swap(b, "TKFe", "RDA8"); }, "not an effect (\"eFKT\")", false},
        {"no entry key for this processor", [](Bytes& b) { Swap(b, StoredEntryKey(), "68XX"); },
         "names no entry point for this processor", false},
        {"no match name", [](Bytes& b) { Swap(b, "ANMe", "ANMx"); }, "has no match name", false},
        {"no display name", [](Bytes& b) { Swap(b, "eman", "xman"); }, "has no effect name", false},
        {"resource word", [](Bytes& b) { b[0] = 2; }, "does not start with the resource word 1", false},
        {"one property more than present", [](Bytes& b) { PutU32(b, 6, 13); },
         "property 13 of 13 runs past the end of the record", false},
        {"one property fewer", [](Bytes& b) { PutU32(b, 6, 11); }, "20 bytes after its last property", false},
        // The last property ("aeFL", header at 278) claiming more than is left: a record cut short in effect.
        {"last property too long", [](Bytes& b) { PutU32(b, 290, 8); },
         "property 12 of 12 (\"aeFL\") claims 8 bytes but the record ends first", false},
        {"cut by one byte", [](Bytes& b) { b.resize(297); }, "(\"aeFL\") claims 4 bytes but the record ends first", true},
        {"cut in a header", [](Bytes& b) { b.resize(140); }, "property 6 of 12 runs past the end of the record", true},
        {"cut to the header", [](Bytes& b) { b.resize(9); }, "registration record too short (9 bytes)", true},
        {"empty", [](Bytes& b) { b.clear(); }, "registration record too short (0 bytes)", true},
    };
}

class RegistrationRefusalTest : public ::testing::TestWithParam<Damage> {
protected:
    void SetUp() override
    {
        if (Env().pluginPath.empty()) GTEST_SKIP() << "needs a plug-in file";
        std::string error;
        ASSERT_TRUE(pwhost::ReadFileBytes(Env().pluginPath, file_, error)) << error;
        ASSERT_TRUE(pwhost::ReadPluginPipl(Env().pluginPath, record_, error)) << error;
        ASSERT_EQ(record_.size(), 298u);
        pe_ = file_.size() > 2 && file_[0] == 'M' && file_[1] == 'Z';
        if (pe_ && GetParam().resizes) GTEST_SKIP() << "a resource patched in place keeps its size";
        dir_ = fs::temp_directory_path() /
               ("pw_registration_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        std::error_code ignored;
        if (!dir_.empty()) fs::remove_all(dir_, ignored);
    }

    static void Write(const fs::path& path, const Bytes& bytes)
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    // The copy with its record damaged; on Windows the record is located with our PE reader's answer.
    std::string DamagedCopy(const Damage& damage)
    {
        Bytes patched = record_;
        damage.apply(patched);
        Bytes file = file_;
        const fs::path module = dir_ / (pe_ ? "Damaged.aex" : "Damaged.so");
        if (pe_) {
            Bytes fromReader;
            pwhost::PeImageInfo info;
            std::string error;
            EXPECT_TRUE(pwhost::ReadPeResource(file, "PIPL", 16000, 1033, fromReader, info, error)) << error;
            EXPECT_EQ(fromReader, record_) << "the resource API and our reader see the same record";
            const auto at = std::search(file.begin(), file.end(), record_.begin(), record_.end());
            EXPECT_NE(at, file.end());
            EXPECT_EQ(std::search(at + 1, file.end(), record_.begin(), record_.end()), file.end())
                << "the record occurs once in the file";
            if (at != file.end()) std::copy(patched.begin(), patched.end(), at);
        } else {
            Write(dir_ / "Damaged.pipl", patched);
        }
        Write(module, file);
        return module.string();
    }

    Bytes file_, record_;
    bool pe_ = false;
    fs::path dir_;
};

TEST_P(RegistrationRefusalTest, DamagedRecordIsRefusedWithTheReason)
{
    const std::string path = DamagedCopy(GetParam());
    pwhost::PluginModule module(path);
    EXPECT_FALSE(module.IsLoaded());
    EXPECT_EQ(module.EntryPoint(), nullptr);
    EXPECT_THAT(module.Error(), ::testing::HasSubstr(path));
    EXPECT_THAT(module.Error(), ::testing::HasSubstr(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(Each, RegistrationRefusalTest, ::testing::ValuesIn(Damages()),
                         [](const ::testing::TestParamInfo<Damage>& info) { return "Damage" + std::to_string(info.index); });

// The undamaged copy loads: the refusals above come from the damage, not from the copying.
TEST(RegistrationCopy, UndamagedCopyLoads)
{
    if (Env().pluginPath.empty()) GTEST_SKIP() << "needs a plug-in file";
    const fs::path dir = fs::temp_directory_path() / "pw_registration_copy";
    fs::create_directories(dir);
    const bool pe = fs::path(Env().pluginPath).extension() == ".aex";
    const fs::path module = dir / (pe ? "Copy.aex" : "Copy.so");
    fs::copy_file(Env().pluginPath, module, fs::copy_options::overwrite_existing);
    if (!pe) {
        fs::path pipl = Env().pluginPath;
        pipl.replace_extension(".pipl");
        fs::copy_file(pipl, dir / "Copy.pipl", fs::copy_options::overwrite_existing);
    }
    {
        pwhost::PluginModule loaded(module.string());
        EXPECT_TRUE(loaded.IsLoaded()) << loaded.Error();
    }
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}

}  // namespace
}  // namespace pwtest
