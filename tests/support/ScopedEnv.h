#pragma once
// Environment variables changed for one test and put back as they were afterwards, so that
// the cases of a test program can run in one process and in any order.
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace testing_support {

class ScopedEnv {
public:
    void Set(const std::string& name, const char* value) {  // nullptr: unset
        if (!saved_.count(name)) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        value ? ::setenv(name.c_str(), value, 1) : ::unsetenv(name.c_str());
    }
    ~ScopedEnv() {
        for (const auto& [name, value] : saved_) Set(name, value ? value->c_str() : nullptr);
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace testing_support
