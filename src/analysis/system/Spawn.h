// Starting helper programs with posix_spawn: an argument vector and no shell, and no fork()
// of this multi-threaded process (a forked copy could inherit a lock that no thread will free).
#pragma once

#include <spawn.h>
#include <string>
#include <system_error>

namespace pagetally {

// Throws std::system_error(rc, what) when a posix_spawn call failed.
inline void checkSpawn(int rc, const std::string& what)
{
    if (rc != 0) {
        throw std::system_error(rc, std::generic_category(), what);
    }
}

class SpawnFileActions
{
public:
    explicit SpawnFileActions(const std::string& what)
    {
        checkSpawn(posix_spawn_file_actions_init(&actions_), what);
    }
    ~SpawnFileActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

class SpawnAttributes
{
public:
    explicit SpawnAttributes(const std::string& what)
    {
        checkSpawn(posix_spawnattr_init(&attributes_), what);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    posix_spawnattr_t* get() { return &attributes_; }

private:
    posix_spawnattr_t attributes_;
};

} // namespace pagetally
