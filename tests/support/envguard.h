// Sets environment variables for one test and puts the old values back afterwards. Built for
// Linux and for Windows (the Windows suites run under Wine).
#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace envguard_detail {

// nullptr unsets the variable.
inline void SetVariable(const std::string& name, const char* value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value ? value : ""); // an empty value removes it there
#else
    if (value)
        setenv(name.c_str(), value, 1);
    else
        unsetenv(name.c_str());
#endif
}

} // namespace envguard_detail

class TEnvGuard {
public:
    ~TEnvGuard() {
        for (const auto& [name, value] : FSaved)
            envguard_detail::SetVariable(name, value ? value->c_str() : nullptr);
    }
    // nullptr unsets the variable.
    void Set(const std::string& name, const char* value) {
        if (!FSaved.count(name)) {
            const char* old = std::getenv(name.c_str());
            FSaved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        envguard_detail::SetVariable(name, value);
    }
    void Set(const std::string& name, const std::string& value) { Set(name, value.c_str()); }

private:
    std::map<std::string, std::optional<std::string>> FSaved;
};
