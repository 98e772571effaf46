#pragma once
// A fresh folder for one test, removed with everything in it afterwards.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace testing_support {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "glyphfall-test-XXXXXX").string();
        Path = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        // Read-only entries must not keep the folder from going.
        for (auto& entry : std::filesystem::recursive_directory_iterator(Path, ignored))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(Path, ignored);
    }
    std::string File(const std::string& name) const { return Path + "/" + name; }
    std::string Path;
};

}  // namespace testing_support
