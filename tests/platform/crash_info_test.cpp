#include "platform/crash_info.h"
#include "tests/support/qt_printers.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace plat;

namespace {

StackTrace throwStackOfARuntimeError()
{
    try {
        throw std::runtime_error("x");
    } catch (...) {
        return CurrentExceptionThrowStack();
    }
}

} // namespace

TEST(CrashInfo, ReadsLibraryVersionsFromTheirFileNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/usr/lib/x86_64-linux-gnu/libQt6Core.so.6.4.2", "6.4.2"},
        {"libc.so.6", "6"},
        {"/usr/lib/libplain.so", ""},
        {"/opt/korvane/korvane", ""},
        {"libodd.so.6a", ""},
    };
    for (const auto& [name, version] : cases)
        EXPECT_EQ(VersionFromFileName(name), version) << name;
}

TEST(CrashInfo, ListsTheLoadedLibrariesByAddress)
{
    const std::vector<LoadedModule> modules = LoadedModules();
    ASSERT_GT(modules.size(), 3u);
    EXPECT_TRUE(std::is_sorted(modules.begin(), modules.end(),
                               [](const auto& a, const auto& b) { return a.Address < b.Address; }));
}

TEST(CrashInfo, ReadsTheSystemAndProcessorTexts)
{
    EXPECT_EQ(
        ProductFromOsRelease("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
        "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(ProductFromOsRelease("NAME=Arch\n"), "Arch");
    const ProcessorData cpu = ProcessorFromCpuInfo("processor\t: 0\nvendor_id\t: GenuineIntel\n"
                                                   "model name\t: Some CPU @ 2.40GHz\ncpu MHz\t\t: 2399.6\n"
                                                   "flags\t\t: fpu mmx sse sse2 avx\n\nprocessor\t: 1\n"
                                                   "vendor_id\t: Other\n");
    EXPECT_EQ(cpu.Vendor, "GenuineIntel");
    EXPECT_EQ(cpu.Name, "Some CPU @ 2.40GHz");
    EXPECT_EQ(cpu.Mhz, 2400);
    EXPECT_EQ(cpu.Features, " MMX SSE2");
}

TEST(CrashInfo, KeepsTheStackOfTheThrowOnlyWhileTracking)
{
    SetThrowTracking(true);
    const StackTrace tracked = throwStackOfARuntimeError();
    SetThrowTracking(false);
    EXPECT_FALSE(tracked.Frames.empty());
    EXPECT_EQ(DescribeStack(tracked).size(), static_cast<qsizetype>(tracked.Frames.size()));
    EXPECT_TRUE(throwStackOfARuntimeError().Frames.empty()) << "an untracked throw never gets an old stack";
}
