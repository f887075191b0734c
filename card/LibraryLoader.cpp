#include "card/LibraryLoader.h"

#include <array>
#include <system_error>

#if defined(_WIN32)
// Keep <windows.h> from defining min/max macros and from pulling in what the loader
// does not use.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string_view>
#else
#include <dlfcn.h>
#endif

namespace tqv::card {

SharedLibrary::SharedLibrary(void* handle, std::filesystem::path path)
    : m_handle(handle), m_path(std::move(path)) {}

#if defined(_WIN32)

namespace {

// UTF-8, so that text outside the ANSI code page survives into an error message.
std::string utf8(std::wstring_view text) {
    if (text.empty()) return {};
    const int wideLength = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string result(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), wideLength, result.data(), length, nullptr,
                        nullptr);
    return result;
}

// The system's own description of a Win32 error code, followed by the code. (The C++
// library's system_category() describes errno values there, not Win32 codes.)
std::string systemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring text = buffer != nullptr ? std::wstring(buffer, length) : std::wstring();
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
        text.pop_back();
    }
    const std::string number = "Windows error " + std::to_string(code);
    return text.empty() ? number : utf8(text) + " (" + number + ")";
}

}  // namespace

std::unique_ptr<SharedLibrary> SharedLibrary::open(const std::filesystem::path& file,
                                                   std::string& error) {
    // The altered search path resolves the library's own dependencies beside it.
    HMODULE module = LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) {
        error = systemMessage(GetLastError());
        return nullptr;
    }
    return std::unique_ptr<SharedLibrary>(new SharedLibrary(module, file));
}

SharedLibrary::~SharedLibrary() { FreeLibrary(static_cast<HMODULE>(m_handle)); }

void* SharedLibrary::symbol(const std::string& exportName) const {
    return reinterpret_cast<void*>(
        GetProcAddress(static_cast<HMODULE>(m_handle), exportName.c_str()));
}

std::filesystem::path executableDirectory() {
    std::array<wchar_t, 32768> buffer{};
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
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
