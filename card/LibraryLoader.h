// The one seam that knows how this platform loads a shared library and finds a
// function in it: dlopen/dlsym on POSIX, LoadLibraryExW/GetProcAddress on Windows.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tqv::card {

class SharedLibrary {
public:
    // Loads exactly this file (never a search of the current directory); empty
    // with `error` describing why when it cannot be loaded.
    static std::unique_ptr<SharedLibrary> open(const std::filesystem::path& file,
                                               std::string& error);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // The address of an exported function, or null.
    void* symbol(const std::string& exportName) const;
    const std::filesystem::path& path() const { return m_path; }

private:
    SharedLibrary(void* handle, std::filesystem::path path);
    void* m_handle;
    std::filesystem::path m_path;
};

// The directory holding the running executable; empty if the platform will not say.
std::filesystem::path executableDirectory();

// The folders the system's loader searches for a library named without a path, in
// its order and exactly as configured (empty and relative entries included; the
// caller drops them). Linux: the entries of LD_LIBRARY_PATH, then the folders of the
// loader's cache configuration (/etc/ld.so.conf and what it includes), then the
// standard library folders. Windows: the system folder, then the entries of PATH.
std::vector<std::filesystem::path> loaderSearchFolders();

// "libadcard.so" on Linux, "adcard.dll" on Windows.
std::string libraryFileName(std::string_view baseName);

// The name a function is exported under: "_StartIntr@28" for the 32-bit Windows
// stdcall convention (name, then the bytes of its arguments), plain elsewhere.
std::string exportName(std::string_view function, int argumentBytes);

}  // namespace tqv::card
