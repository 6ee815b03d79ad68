#pragma once
// Sets an environment variable for the life of the object and restores the
// previous value (or its absence) afterwards. Tests use it to pin TZ and the
// XDG folders so that they never depend on the machine.

#include <optional>
#include <string>

class ScopedEnv {
public:
    // A null value unsets the variable.
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};
