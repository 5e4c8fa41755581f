// Loading plug-in files the way the host does: the registration record is read and checked before anything of
// the file runs, and the entry point it names is the one looked up.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/module.h"
#include "host/pe_resources.h"
#include "host/pipl_source.h"
#include "plugin_env.h"

namespace pwtest {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using Mutation = std::function<void(std::vector<uint8_t>& record)>;

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Replace(std::vector<uint8_t>& bytes, const std::string& from, const std::string& to)
{
    const auto at = std::search(bytes.begin(), bytes.end(), from.begin(), from.end());
    ASSERT_NE(at, bytes.end()) << "no \"" << from << "\" in the record";
    std::copy(to.begin(), to.end(), at);
}

// A copy of the plug-in under test whose registration record went through `mutate` (keeping its size): a Windows
// file with its resource patched in place, a Linux module beside a patched .pipl.
class ModuleVariantTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (Env().pluginPath.empty()) GTEST_SKIP() << "needs a plug-in file";
        dir_ = fs::temp_directory_path() / ("pw_module_test_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        std::error_code ignored;
        if (!dir_.empty()) fs::remove_all(dir_, ignored);
    }

    std::string Variant(const Mutation& mutate)
    {
        std::vector<uint8_t> file, record;
        std::string error;
        EXPECT_TRUE(pwhost::ReadFileBytes(Env().pluginPath, file, error)) << error;
        EXPECT_TRUE(pwhost::ReadPluginPipl(Env().pluginPath, record, error)) << error;
        std::vector<uint8_t> patched = record;
        mutate(patched);
        const bool pe = file.size() > 2 && file[0] == 'M' && file[1] == 'Z';
        const fs::path module = dir_ / (pe ? "Variant.aex" : "Variant.so");
        if (pe) {
            const auto at = std::search(file.begin(), file.end(), record.begin(), record.end());
            EXPECT_NE(at, file.end());
            EXPECT_EQ(patched.size(), record.size());
            std::copy(patched.begin(), patched.end(), at);
        } else {
            WriteBytes(dir_ / "Variant.pipl", patched);
        }
        WriteBytes(module, file);
        return module.string();
    }

    fs::path dir_;
};

TEST(PluginModule, MissingFileIsRefusedWithItsPath)
{
    pwhost::PluginModule module("/no/such/dir/Missing.aex");
    EXPECT_FALSE(module.IsLoaded());
    EXPECT_EQ(module.EntryPoint(), nullptr);
    EXPECT_THAT(module.Error(), HasSubstr("refusing plug-in '/no/such/dir/Missing.aex'"));
}

TEST(PluginModule, PluginUnderTestNamesItsEntryPoint)
{
    if (Env().pluginPath.empty()) GTEST_SKIP() << "needs a plug-in file";
    pwhost::PluginModule module(Env().pluginPath);
    ASSERT_TRUE(module.IsLoaded()) << module.Error();
    EXPECT_EQ(module.EntryPointName(), "EntryPointFunc");
    std::string name;
    EXPECT_TRUE(module.Record().PascalString("name", name));
    EXPECT_EQ(name, "Pulsewarper");
}

TEST(PluginModule, MovedModuleKeepsWhatItKnows)
{
    pwhost::PluginModule missing("/no/such/file");
    pwhost::PluginModule other(std::move(missing));
    EXPECT_FALSE(other.IsLoaded());
    EXPECT_FALSE(other.Error().empty());
}

TEST_F(ModuleVariantTest, LibraryWithoutARecordIsRefused)
{
#if defined(_WIN32)
    const std::string library = "kernel32.dll";
#else
    const fs::path copy = dir_ / "Bare.so";
    fs::copy_file(Env().pluginPath, copy);
    const std::string library = copy.string();
#endif
    pwhost::PluginModule module(library);
    EXPECT_FALSE(module.IsLoaded());
    EXPECT_THAT(module.Error(), HasSubstr("carries no registration record"));
}

TEST_F(ModuleVariantTest, EntryPointTheFileDoesNotExportIsRefused)
{
    pwhost::PluginModule module(Variant([](std::vector<uint8_t>& r) { Replace(r, "EntryPointFunc", "NoSuchEntryFun"); }));
    EXPECT_FALSE(module.IsLoaded());
    EXPECT_THAT(module.Error(), HasSubstr("does not export NoSuchEntryFun"));
}

TEST_F(ModuleVariantTest, RecordOfAnotherKindIsRefused)
{
    // Codes are stored little-endian: "eFKT" (effect) reads "TKFe" in the bytes.
    pwhost::PluginModule module(Variant([](std::vector<uint8_t>& r) { Replace(r, "TKFe", "xgEA"); }));
    EXPECT_FALSE(module.IsLoaded());
    EXPECT_THAT(module.Error(), HasSubstr("not an effect"));
}

TEST_F(ModuleVariantTest, MalformedRecordIsRefused)
{
    pwhost::PluginModule module(Variant([](std::vector<uint8_t>& r) {
        ASSERT_GE(r.size(), 10u);
        r[6] = 0xFF;  // property count far beyond the record
    }));
    EXPECT_FALSE(module.IsLoaded());
    EXPECT_THAT(module.Error(), HasSubstr("refusing plug-in"));
}

TEST_F(ModuleVariantTest, RecordWithoutThisProcessorsEntryKeyIsRefused)
{
    const std::string key = pwhost::HostEntryKey();
    const std::string stored(key.rbegin(), key.rend());
    pwhost::PluginModule module(Variant([&](std::vector<uint8_t>& r) { Replace(r, stored, "xxxx"); }));
    EXPECT_FALSE(module.IsLoaded());
    EXPECT_THAT(module.Error(), HasSubstr("names no entry point for this processor"));
}

}  // namespace
}  // namespace pwtest
