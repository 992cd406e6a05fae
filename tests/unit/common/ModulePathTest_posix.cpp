// A module loaded through a link reports its real file, whose folder holds its companions.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

TEST(ModulePathTest, LoadedThroughALinkGivesTheRealFile) {
    const fs::path real = fs::canonical(KV_PROBE_MODULE);
    std::string pattern = (fs::temp_directory_path() / "kv-modulepath.XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path folder = pattern;
    // The plug-in folder holds a relative link, as the packages install it.
    fs::create_directories(folder / "plugins");
    fs::create_symlink(fs::relative(real, folder / "plugins"), folder / "plugins" / "probe.so");

    void* module = dlopen((folder / "plugins" / "probe.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    const auto probe = reinterpret_cast<const char* (*)()>(dlsym(module, "kvProbeModulePath"));
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(fs::path(probe()), real);
    dlclose(module);
    fs::remove_all(folder);
}
