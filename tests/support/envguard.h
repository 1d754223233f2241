// Sets environment variables for one test and puts the old values back afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

class TEnvGuard {
public:
    ~TEnvGuard() {
        for (const auto& [name, value] : FSaved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }
    // nullptr unsets the variable.
    void Set(const std::string& name, const char* value) {
        if (!FSaved.count(name)) {
            const char* old = std::getenv(name.c_str());
            FSaved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            setenv(name.c_str(), value, 1);
        else
            unsetenv(name.c_str());
    }
    void Set(const std::string& name, const std::string& value) { Set(name, value.c_str()); }

private:
    std::map<std::string, std::optional<std::string>> FSaved;
};

// A fresh folder, removed with everything in it at the end of the test.
class TTempFolder {
public:
    TTempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orvane-x11-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
        FPath = pattern;
    }
    ~TTempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};
