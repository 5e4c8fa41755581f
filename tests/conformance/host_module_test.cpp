// Loading plug-in files: clear errors for a missing file or a library without the entry point.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/module.h"

namespace pwtest {
namespace {

using ::testing::HasSubstr;

TEST(PluginModule, MissingFileIsReportedWithItsPath)
{
    pwhost::PluginModule module("/no/such/dir/Missing.aex");
    EXPECT_FALSE(module.IsLoaded());
    EXPECT_EQ(module.EntryPoint(), nullptr);
    EXPECT_THAT(module.Error(), HasSubstr("cannot load plug-in '/no/such/dir/Missing.aex'"));
}

TEST(PluginModule, LibraryWithoutEntryPointIsRefused)
{
#if defined(_WIN32)
    const char* library = "kernel32.dll";
#else
    const char* library = "libm.so.6";
#endif
    pwhost::PluginModule module(library);
    EXPECT_FALSE(module.IsLoaded());
    EXPECT_THAT(module.Error(), HasSubstr("does not export EntryPointFunc"));
}

TEST(PluginModule, MovedModuleKeepsTheEntryPoint)
{
    pwhost::PluginModule missing("/no/such/file");
    pwhost::PluginModule other(std::move(missing));
    EXPECT_FALSE(other.IsLoaded());
    EXPECT_FALSE(other.Error().empty());
}

}  // namespace
}  // namespace pwtest
