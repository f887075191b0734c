// A folder of a test's own under the system's temporary folder, removed with all it
// holds when the test ends.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace tqv::test {

class ScratchFolder {
public:
    ScratchFolder()
        : m_path(std::filesystem::temp_directory_path() /
                 ("tqv-test-" + std::to_string(::getpid()) + "-" + std::to_string(++s_count))) {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    const std::filesystem::path& path() const { return m_path; }

private:
    static inline int s_count = 0;
    std::filesystem::path m_path;
};

}  // namespace tqv::test
