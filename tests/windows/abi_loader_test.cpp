// The card library's native ABI on 32-bit Windows, checked from the outside.
//
// Loads adcard.dll the way the panel does (AdcardBinding with its default search), run
// from a folder without the DLL, with the DLL in the system folder, and checks that
//  - the search finds it there, as it finds a vendor's driver installed there;
//  - the export table holds exactly the 23 decorated stdcall names (_StartIntr@28, ...),
//    and no undecorated form of any of them;
//  - every function removes its own arguments from the stack (stdcall). A call through
//    a correctly typed function pointer would hide a callee that does not, so each
//    function is also called from assembly that pushes the arguments itself and
//    compares the stack pointer before and after;
//  - pointers and results cross the boundary intact, through assembly and the binding.
// What each function does is the simulated card's own tests' business, not this one's.
//
// Prints one line per check and, last, "N passed, M failed". Exits 0 only if none failed.
// Run it with no ADCARD_SIM_* variable set: it expects the simulator's defaults.

#if !defined(_WIN32) || !defined(__i386__)
#error "abi_loader_test checks the 32-bit Windows (i686) ABI only"
#endif

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "card/AdcardBinding.h"
#include "card/AdcardFunctions.h"
#include "card/LibraryLoader.h"

namespace {

using tqv::card::AdcardBinding;
using tqv::card::DeclaredOnly;
using tqv::card::SharedLibrary;

// ---------------------------------------------------------------- reporting

class Report {
public:
    // One line per check; flushed at once, so that a crash still shows how far it got.
    bool check(bool ok, const std::string& what, const std::string& detail = {}) {
        std::printf("%s  %s%s%s\n", ok ? "PASS" : "FAIL", what.c_str(),
                    detail.empty() ? "" : "  -- ", detail.c_str());
        std::fflush(stdout);
        ++(ok ? m_passed : m_failed);
        return ok;
    }

    int finish() {
        std::printf("%d passed, %d failed\n", m_passed, m_failed);
        std::fflush(stdout);
        return m_failed == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
    }

private:
    int m_passed = 0;
    int m_failed = 0;
};

std::string text(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

// ---------------------------------------------------------------- the exports

struct Export {
    const char* name;
    int argumentBytes;
};

#define TQV_EXPORT(name, bytes) Export{#name, bytes},
constexpr std::array kExports{ADCARD_CALLED_FUNCTIONS(TQV_EXPORT)
                                  ADCARD_DECLARED_ONLY_FUNCTIONS(TQV_EXPORT)};
#undef TQV_EXPORT

// The names in a loaded module's export directory, read from its PE headers.
std::vector<std::string> exportTable(HMODULE module, DWORD& functionCount) {
    const auto* base = reinterpret_cast<const unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    functionCount = 0;
    if (entry.Size == 0) return {};
    const auto* directory =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    functionCount = directory->NumberOfFunctions;
    const auto* names = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
    std::vector<std::string> result;
    for (DWORD i = 0; i < directory->NumberOfNames; ++i) {
        result.emplace_back(reinterpret_cast<const char*>(base + names[i]));
    }
    return result;
}

// ---------------------------------------------------------------- the raw call

// One call made from assembly. The layout is read by the assembly below.
struct RawCall {
    const void* function;            // called with `count` 32-bit slots,
    const std::uint32_t* arguments;  // arguments[0] last pushed (the leftmost argument)
    std::uint32_t count;
    std::uint32_t padding;      // so that the call sees a 16-byte aligned stack
    std::uint32_t stackBefore;  // %esp with no argument pushed yet
    std::uint32_t stackAfter;   // %esp once the callee has returned
    std::uint32_t result;       // %eax
};
static_assert(std::is_standard_layout_v<RawCall>);

// Pushes the arguments right to left, calls, and records %esp before the pushes and
// after the return. A stdcall callee pops its own arguments (equal values); a cdecl
// callee leaves them for the caller (%esp lower by 4 x count). The stack pointer is
// put back from %edi, which the callee preserves in either convention, so a wrong
// convention is reported instead of crashing the program.
//
// Kept out of line: the compiler holds nothing of the caller's in registers the callee
// may change, and nothing here addresses memory relative to %esp while it moves.
__attribute__((noinline)) void callRaw(RawCall& call) {
    call.padding = (16U - (4U * call.count) % 16U) % 16U;
    asm volatile(
        "movl %%esp, %%edi\n\t"
        "andl $-16, %%esp\n\t"
        "subl %c[padding](%%ebx), %%esp\n\t"
        "movl %%esp, %c[before](%%ebx)\n\t"
        "movl %c[count](%%ebx), %%ecx\n\t"
        "movl %c[arguments](%%ebx), %%esi\n\t"
        "1:\n\t"
        "testl %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "pushl -4(%%esi,%%ecx,4)\n\t"
        "decl %%ecx\n\t"
        "jmp 1b\n"
        "2:\n\t"
        "call *%c[function](%%ebx)\n\t"
        "movl %%esp, %c[after](%%ebx)\n\t"
        "movl %%eax, %c[result](%%ebx)\n\t"
        "movl %%edi, %%esp"
        :
        : "b"(&call), [function] "i"(offsetof(RawCall, function)),
          [arguments] "i"(offsetof(RawCall, arguments)), [count] "i"(offsetof(RawCall, count)),
          [padding] "i"(offsetof(RawCall, padding)), [before] "i"(offsetof(RawCall, stackBefore)),
          [after] "i"(offsetof(RawCall, stackAfter)), [result] "i"(offsetof(RawCall, result))
        : "eax", "ecx", "edx", "esi", "edi", "cc", "memory");
}

// An argument as the 32-bit slot it occupies: integers sign-extended, addresses as is.
template <typename T>
std::uint32_t slot(T value) {
    if constexpr (std::is_pointer_v<T> || std::is_null_pointer_v<T>) {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(value));
    } else {
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
    }
}

struct Outcome {
    std::int32_t result;      // all of %eax; a 16-bit result is its low half
    std::int32_t stackMoved;  // bytes %esp moved across the call: 0 under stdcall
};

Outcome rawCallSlots(const void* function, const std::vector<std::uint32_t>& slots) {
    RawCall call{function, slots.data(), static_cast<std::uint32_t>(slots.size()), 0, 0, 0, 0};
    callRaw(call);
    return {static_cast<std::int32_t>(call.result),
            static_cast<std::int32_t>(call.stackAfter - call.stackBefore)};
}

template <typename... Args>
Outcome rawCall(const void* function, Args... args) {
    return rawCallSlots(function, std::vector<std::uint32_t>{slot(args)...});
}

// Two known callees for the raw call's own check: one of each convention.
extern "C" __attribute__((noinline, cdecl)) std::int32_t cdeclProbe(std::int32_t a,
                                                                    std::int32_t b) {
    return a - b;
}
extern "C" __attribute__((noinline, stdcall)) std::int32_t stdcallProbe(std::int32_t a,
                                                                        std::int32_t b) {
    return a - b;
}

// ---------------------------------------------------------------- the checks

class AbiCheck {
public:
    AbiCheck(Report& report, AdcardBinding& card, const SharedLibrary& library)
        : m_report(report), m_card(card), m_library(library) {}

    const void* address(const Export& e) const {
        return m_library.symbol(tqv::card::exportName(e.name, e.argumentBytes));
    }

    bool expect(std::int32_t got, std::int32_t want, const std::string& what) {
        return m_report.check(got == want, what,
                              "got " + std::to_string(got) + ", want " + std::to_string(want));
    }

    void selfCheck();
    void exports();
    void everyCalleeRemovesItsArguments();
    void resultsAndArgumentsCrossTheBoundary();

private:
    Report& m_report;
    AdcardBinding& m_card;
    const SharedLibrary& m_library;
};

void AbiCheck::selfCheck() {
    const Outcome cdeclCall = rawCall(reinterpret_cast<const void*>(&cdeclProbe), 7, 2);
    m_report.check(cdeclCall.result == 5 && cdeclCall.stackMoved == -8,
                   "the stack check tells a cdecl callee (8 bytes left on the stack)",
                   "result " + std::to_string(cdeclCall.result) + ", %esp moved by " +
                       std::to_string(cdeclCall.stackMoved));
    const Outcome stdcallCall = rawCall(reinterpret_cast<const void*>(&stdcallProbe), 7, 2);
    m_report.check(stdcallCall.result == 5 && stdcallCall.stackMoved == 0,
                   "the stack check accepts a stdcall callee",
                   "result " + std::to_string(stdcallCall.result) + ", %esp moved by " +
                       std::to_string(stdcallCall.stackMoved));
}

void AbiCheck::exports() {
    std::set<std::string> wanted;
    for (const Export& e : kExports) {
        const std::string name = tqv::card::exportName(e.name, e.argumentBytes);
        wanted.insert(name);
        const std::string atBytes = std::string(e.name) + "@" + std::to_string(e.argumentBytes);
        const bool found = m_library.symbol(name) != nullptr;
        const bool plain = m_library.symbol(e.name) != nullptr;
        const bool noUnderscore = m_library.symbol(atBytes) != nullptr;
        m_report.check(found && !plain && !noUnderscore,
                       std::string(e.name) + ": exported as " + name + " only",
                       std::string(found ? "" : name + " missing; ") +
                           (plain ? std::string(e.name) + " also exported; " : "") +
                           (noUnderscore ? atBytes + " also exported" : ""));
    }

    HMODULE module = nullptr;
    const void* any = address(kExports[0]);
    if (any == nullptr || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                              reinterpret_cast<LPCWSTR>(any), &module)) {
        m_report.check(false, "the export table holds exactly the 23 decorated names",
                       "module handle unavailable");
        return;
    }
    DWORD functionCount = 0;
    const std::vector<std::string> table = exportTable(module, functionCount);
    const std::set<std::string> distinct(table.begin(), table.end());
    m_report.check(table.size() == 23 && distinct == wanted && functionCount == 23,
                   "the export table holds exactly the 23 decorated names",
                   std::to_string(table.size()) + " names, " + std::to_string(functionCount) +
                       " functions");
}

// Every function called from assembly with as many slots as its name says; harmless
// arguments (a refused or idle call is as good as any for the stack).
void AbiCheck::everyCalleeRemovesItsArguments() {
    std::array<std::uint8_t, 5> command{70, 64, 0, 0, 0};
    std::array<std::uint8_t, 5> reply{};
    std::array<std::int16_t, 6> words{};
    const std::vector<std::vector<std::uint32_t>> calledArguments{
        {0, 0, 0, 0},
        {slot(10), slot(100), 0, slot(4), slot(10000), 0, 0},
        {},
        {},
        {slot(nullptr)},
        {},
        {slot(5), slot(command.data()), slot(5), slot(reply.data())},
        {slot(2), slot(words.data())},
        {0, slot(0xA5)},
        {0, slot(1)},
    };
    for (std::size_t i = 0; i < kExports.size(); ++i) {
        const Export& e = kExports[i];
        const auto slots = i < calledArguments.size()
                               ? calledArguments[i]
                               : std::vector<std::uint32_t>(
                                     static_cast<std::size_t>(e.argumentBytes / 4), 0);
        const std::string what = std::string(e.name) + ": stdcall, the callee removes its " +
                                 std::to_string(e.argumentBytes) + " bytes of arguments";
        const void* function = address(e);
        if (function == nullptr || static_cast<int>(4 * slots.size()) != e.argumentBytes) {
            m_report.check(false, what, function == nullptr ? "not exported" : "slots mismatch");
            continue;
        }
        const Outcome outcome = rawCallSlots(function, slots);
        m_report.check(outcome.stackMoved == 0, what,
                       "%esp moved by " + std::to_string(outcome.stackMoved) + " bytes");
    }
    m_card.StopIntr();
}

// Pointers in, 16- and 32-bit results out, through assembly and through the binding.
void AbiCheck::resultsAndArgumentsCrossTheBoundary() {
    std::array<std::uint8_t, 5> command{70, 64, 0, 0, 0};
    std::array<std::uint8_t, 5> reply{};
    const Outcome ioctl = rawCall(address(kExports[6]), 5, command.data(), 5, reply.data());
    m_report.check(ioctl.result == 1 && reply == std::array<std::uint8_t, 5>{52, 0, 2, 5, 1},
                   "IOCtl identity (raw call): card 52/0/1, firmware 2.5",
                   "returned " + std::to_string(ioctl.result));
    reply.fill(0);
    expect(m_card.IOCtl(5, command.data(), 5, reply.data()), 1, "IOCtl identity (binding)");
    m_report.check(reply == std::array<std::uint8_t, 5>{52, 0, 2, 5, 1},
                   "the binding's reply holds card 52/0/1, firmware 2.5");

    expect(m_card.Tqv_DO(1, 0x3C), 0, "Tqv_DO (binding) port 1 = 0x3C");
    std::array<std::int16_t, 6> words{};
    const Outcome inputs = rawCall(address(kExports[7]), 2, words.data());
    m_report.check(static_cast<std::int16_t>(inputs.result) == 2 && words[1] == 0x3C,
                   "Tqv_DI (raw call) reads output port 1 back in word 1",
                   "returned " + std::to_string(static_cast<std::int16_t>(inputs.result)));

    m_card.Initial(0, 0, 0, 0);
    const std::array<std::int32_t, 2> two{0, 2048};
    expect(m_card.call(DeclaredOnly::Tqv_DA, two), 0, "Tqv_DA (binding) is refused");
    expect(m_card.GetLastADError(), -7, "GetLastADError after Tqv_DA: not supported");
}

bool simulatorDefaults() {
    for (const char* variable : {"ADCARD_SIM_IDENTITY", "ADCARD_SIM_FAIL", "ADCARD_SIM_DI",
                                 "ADCARD_SIM_SPEED", "ADCARD_SIM_TRACE"}) {
        if (std::getenv(variable) != nullptr) return false;
    }
    return true;
}

int run(Report& report) {
    report.check(simulatorDefaults(), "no ADCARD_SIM_* variable is set: the card has its defaults");

    std::array<wchar_t, MAX_PATH + 1> system{};
    const UINT length = GetSystemDirectoryW(system.data(), static_cast<UINT>(system.size()));
    const std::filesystem::path systemFolder(std::wstring(system.data(), length));
    const std::filesystem::path besideProgram =
        tqv::card::executableDirectory() / tqv::card::libraryFileName("adcard");
    report.check(!std::filesystem::exists(besideProgram), "adcard.dll is not beside the program",
                 text(besideProgram));

    // Exactly the panel's way in: the production binding and its search, binding the
    // ten functions by their decorated names.
    AdcardBinding card;
    const auto loadError = card.load();
    if (!report.check(!loadError, "AdcardBinding finds adcard.dll and binds the ten functions",
                      loadError.value_or(""))) {
        return report.finish();
    }
    const std::filesystem::path expected = systemFolder / tqv::card::libraryFileName("adcard");
    report.check(
        card.loaded() == tqv::card::LibraryCandidate{expected, tqv::card::PlaceKind::SystemSearch},
        "it was found in the system folder by the system's search", text(card.loadedFrom()));

    // The same module again (the loader counts references), for raw addresses.
    std::string error;
    const std::unique_ptr<SharedLibrary> library = SharedLibrary::open(expected, error);
    if (!report.check(library != nullptr, "SharedLibrary::open(adcard.dll)", error)) {
        return report.finish();
    }

    AbiCheck check(report, card, *library);
    check.selfCheck();
    check.exports();
    check.everyCalleeRemovesItsArguments();
    check.resultsAndArgumentsCrossTheBoundary();
    card.StopIntr();  // nothing may run while the library unloads
    return report.finish();
}

}  // namespace

int main() {
    Report report;
    try {
        return run(report);
    } catch (const std::exception& e) {
        report.check(false, "no exception escapes", e.what());
        return report.finish();
    }
}
