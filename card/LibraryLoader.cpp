#include "card/LibraryLoader.h"

#include <array>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace tqv::card {

SharedLibrary::SharedLibrary(void* handle, std::filesystem::path path)
    : m_handle(handle), m_path(std::move(path)) {}

#if defined(_WIN32)

std::unique_ptr<SharedLibrary> SharedLibrary::open(const std::filesystem::path& file,
                                                   std::string& error) {
    // The altered search path resolves the library's own dependencies beside it.
    HMODULE module = LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) {
        error = std::system_category().message(static_cast<int>(GetLastError()));
        return nullptr;
    }
    return std::unique_ptr<SharedLibrary>(new SharedLibrary(module, file));
}

SharedLibrary::~SharedLibrary() { FreeLibrary(static_cast<HMODULE>(m_handle)); }

void* SharedLibrary::symbol(const std::string& exportName) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(m_handle), exportName.c_str()));
}

std::filesystem::path executableDirectory() {
    std::array<wchar_t, 32768> buffer{};
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) return {};
    return std::filesystem::path(std::wstring(buffer.data(), length)).parent_path();
}

std::string libraryFileName(std::string_view baseName) { return std::string(baseName) + ".dll"; }

#else

std::unique_ptr<SharedLibrary> SharedLibrary::open(const std::filesystem::path& file,
                                                   std::string& error) {
    dlerror();
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        error = reason != nullptr ? reason : "unknown reason";
        return nullptr;
    }
    return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle, file));
}

SharedLibrary::~SharedLibrary() { dlclose(m_handle); }

void* SharedLibrary::symbol(const std::string& exportName) const {
    return dlsym(m_handle, exportName.c_str());
}

std::filesystem::path executableDirectory() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path{} : exe.parent_path();
}

std::string libraryFileName(std::string_view baseName) {
#if defined(__APPLE__)
    return "lib" + std::string(baseName) + ".dylib";
#else
    return "lib" + std::string(baseName) + ".so";
#endif
}

#endif

std::string exportName(std::string_view function, int argumentBytes) {
#if defined(_WIN32) && !defined(_WIN64)
    return "_" + std::string(function) + "@" + std::to_string(argumentBytes);
#else
    (void)argumentBytes;
    return std::string(function);
#endif
}

}  // namespace tqv::card
