#include "card/LibraryLoader.h"

#include <algorithm>
#include <array>
#include <string>
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
#include <glob.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#endif

namespace tqv::card {

namespace {

// The entries of a search-path value such as PATH, empty ones kept: to the loader an
// empty entry is the current directory, and the caller must see it to drop it.
template <typename Char>
std::vector<std::filesystem::path> splitEntries(std::basic_string_view<Char> value,
                                                std::basic_string_view<Char> separators) {
    std::vector<std::filesystem::path> entries;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = value.find_first_of(separators, start);
        entries.emplace_back(std::basic_string<Char>(value.substr(start, end - start)));
        if (end == std::basic_string_view<Char>::npos) break;
        start = end + 1;
    }
    return entries;
}

}  // namespace

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
    // The library's own dependencies are looked for beside it and in the system folder
    // only: never in the current directory. (The flags need an absolute path, which
    // every candidate is.)
    HMODULE module = LoadLibraryExW(
        file.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
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

std::vector<std::filesystem::path> loaderSearchFolders() {
    std::vector<std::filesystem::path> folders;
    std::array<wchar_t, MAX_PATH + 1> system{};
    const UINT length = GetSystemDirectoryW(system.data(), static_cast<UINT>(system.size()));
    if (length > 0 && length < system.size())
        folders.emplace_back(std::wstring(system.data(), length));

    const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (size == 0) return folders;
    std::wstring path(size, L'\0');
    const DWORD written = GetEnvironmentVariableW(L"PATH", path.data(), size);
    path.resize(written < size ? written : 0);
    for (auto entry : splitEntries<wchar_t>(path, L";")) {
        std::wstring text = entry.native();
        // A quoted entry ("C:\\Program Files\\Card") is the folder inside the quotes.
        if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') {
            text = text.substr(1, text.size() - 2);
        }
        folders.emplace_back(text);
    }
    return folders;
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

namespace {

// The folders of the loader's cache, read from the configuration ldconfig builds it
// from: folder names separated by blanks, commas or colons, "include PATTERN" lines
// (relative to the including file's folder), "#" comments and "hwcap" lines.
void readLoaderConfiguration(const std::filesystem::path& file, int depth,
                             std::vector<std::filesystem::path>& folders) {
    constexpr int kDeepestInclude = 8;  // an include loop ends here
    if (depth > kDeepestInclude) return;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        line.erase(std::min(line.find('#'), line.size()));
        std::istringstream words(line);
        std::string word;
        if (!(words >> word) || word == "hwcap") continue;
        if (word == "include") {
            for (std::string pattern; words >> pattern;) {
                std::filesystem::path full = pattern;
                if (full.is_relative()) full = file.parent_path() / full;
                glob_t matches{};
                if (glob(full.c_str(), 0, nullptr, &matches) == 0) {
                    for (std::size_t i = 0; i < matches.gl_pathc; ++i) {
                        readLoaderConfiguration(matches.gl_pathv[i], depth + 1, folders);
                    }
                }
                globfree(&matches);
            }
            continue;
        }
        do {
            for (auto& folder : splitEntries<char>(word, ",:")) {
                if (!folder.empty()) folders.push_back(std::move(folder));
            }
        } while (words >> word);
    }
}

}  // namespace

std::vector<std::filesystem::path> loaderSearchFolders() {
#if defined(__APPLE__)
    const char* variable = std::getenv("DYLD_LIBRARY_PATH");
#else
    const char* variable = std::getenv("LD_LIBRARY_PATH");
#endif
    // glibc separates entries with colons or semicolons.
    std::vector<std::filesystem::path> folders = variable != nullptr
                                                     ? splitEntries<char>(variable, ":;")
                                                     : std::vector<std::filesystem::path>{};
    readLoaderConfiguration("/etc/ld.so.conf", 0, folders);
    // The loader's own trusted folders, searched after its cache.
#if defined(TQV_LIBRARY_ARCHITECTURE)
    folders.emplace_back("/lib/" TQV_LIBRARY_ARCHITECTURE);
    folders.emplace_back("/usr/lib/" TQV_LIBRARY_ARCHITECTURE);
#endif
    if constexpr (sizeof(void*) == 8) {
        folders.emplace_back("/lib64");
        folders.emplace_back("/usr/lib64");
    }
    folders.emplace_back("/lib");
    folders.emplace_back("/usr/lib");
    return folders;
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
