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
//  - each function behaves as the simulated card documents (card/sim).
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
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "card/AdcardBinding.h"
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

std::string hex(unsigned value) {
    std::array<char, 16> digits{};
    std::snprintf(digits.data(), digits.size(), "0x%X", value);
    return digits.data();
}

template <typename T>
std::string list(std::initializer_list<T> values) {
    std::string result;
    for (const T& value : values) result += (result.empty() ? "" : " ") + std::to_string(value);
    return result;
}

// ---------------------------------------------------------------- the exports

struct Export {
    const char* name;
    int argumentBytes;
};

// card/adcard.h, in its order: the ten functions the panel calls, then the thirteen it
// only declares.
constexpr std::array<Export, 23> kExports{{
    {"Initial", 16},       {"StartIntr", 28},       {"StopIntr", 0},
    {"QueryBuf", 0},       {"ADResult", 4},         {"GetLastADError", 0},
    {"IOCtl", 16},         {"Tqv_DI", 8},           {"Tqv_DO", 8},
    {"Tqv_DOBit", 8},      {"StartSnapshot", 32},   {"RegisterNotify", 20},
    {"ADResultRecent", 4}, {"GetSnapshot", 12},     {"ConfigInfo", 32},
    {"ChannelFrq", 8},     {"Tqv_ADResult", 8},     {"Tqv_Init", 12},
    {"Tqv_DA", 8},         {"Tqv_USB_Inportb", 12}, {"Tqv_USB_Outportb", 12},
    {"Tqv_Readb", 16},     {"Tqv_Writeb", 16},
}};

struct DeclaredOnlyCase {
    DeclaredOnly function;
    const char* name;
    std::vector<std::int32_t> arguments;
};

// Plausible arguments: the card refuses these functions whatever they are given.
std::vector<DeclaredOnlyCase> declaredOnlyCases() {
    return {
        {DeclaredOnly::StartSnapshot, "StartSnapshot", {1, 100, 0, 4, 1000, 0, 0, 0}},
        {DeclaredOnly::RegisterNotify, "RegisterNotify", {0, 0, 0, 0, 0}},
        {DeclaredOnly::ADResultRecent, "ADResultRecent", {0}},
        {DeclaredOnly::GetSnapshot, "GetSnapshot", {0, 100, 0}},
        {DeclaredOnly::ConfigInfo, "ConfigInfo", {0, 0, 0, 0, 0, 0, 0, 0}},
        {DeclaredOnly::ChannelFrq, "ChannelFrq", {0, 1000}},
        {DeclaredOnly::Tqv_ADResult, "Tqv_ADResult", {0, 0}},
        {DeclaredOnly::Tqv_Init, "Tqv_Init", {0, 0, 0}},
        {DeclaredOnly::Tqv_DA, "Tqv_DA", {0, 2048}},
        {DeclaredOnly::Tqv_USB_Inportb, "Tqv_USB_Inportb", {0, 0x300, 0}},
        {DeclaredOnly::Tqv_USB_Outportb, "Tqv_USB_Outportb", {0, 0x300, 0x55}},
        {DeclaredOnly::Tqv_Readb, "Tqv_Readb", {0, 0, 0, 0}},
        {DeclaredOnly::Tqv_Writeb, "Tqv_Writeb", {0, 0, 0, 0x55}},
    };
}

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

std::int16_t low16(std::int32_t value) { return static_cast<std::int16_t>(value); }

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

    // The address of a function by its decorated name; null (and a failed check
    // already reported) if missing.
    const void* address(const char* name) const {
        for (const Export& e : kExports) {
            if (std::string(e.name) == name) {
                return m_library.symbol(tqv::card::exportName(e.name, e.argumentBytes));
            }
        }
        return nullptr;
    }

    // Calls `name` from assembly and reports whether it removed its arguments.
    template <typename... Args>
    Outcome raw(const char* name, Args... args) {
        const void* function = address(name);
        const int bytes = static_cast<int>(4 * sizeof...(Args));
        const std::string what = std::string(name) + ": stdcall, the callee removes its " +
                                 std::to_string(bytes) + " bytes of arguments";
        if (function == nullptr) {
            m_report.check(false, what, "not exported");
            return {0, 0};
        }
        const Outcome outcome = rawCall(function, args...);
        m_report.check(
            outcome.stackMoved == 0, what,
            outcome.stackMoved == 0
                ? std::string(bytes == 0 ? "no arguments; %esp unchanged" : "%esp unchanged")
                : "%esp moved by " + std::to_string(outcome.stackMoved) + " bytes");
        return outcome;
    }

    bool expect(std::int32_t got, std::int32_t want, const std::string& what) {
        return m_report.check(got == want, what,
                              "got " + std::to_string(got) + ", want " + std::to_string(want));
    }

    bool expectError(std::int32_t want, const std::string& after) {
        return expect(m_card.GetLastADError(), want, "GetLastADError after " + after);
    }

    void selfCheck();
    void exports();
    void identityAndRefusals();
    void acquisition();
    void digitalLines();
    void declaredOnly();

private:
    bool blockLooksRight(const std::vector<std::int16_t>& block, int scans, int firstScan,
                         const std::string& what);

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
    const std::string decorated = tqv::card::exportName("StartIntr", 28);
    m_report.check(decorated == "_StartIntr@28", "exportName decorates for stdcall", decorated);

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
    const void* any = address("Initial");
    if (any == nullptr || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                              reinterpret_cast<LPCWSTR>(any), &module)) {
        m_report.check(false, "the export table holds exactly the 23 decorated names",
                       "module handle unavailable");
        return;
    }
    DWORD functionCount = 0;
    const std::vector<std::string> table = exportTable(module, functionCount);
    std::string unexpected;
    for (const std::string& name : table) {
        if (wanted.count(name) == 0) unexpected += " " + name;
    }
    const std::set<std::string> distinct(table.begin(), table.end());
    m_report.check(table.size() == wanted.size() && distinct == wanted && functionCount == 23,
                   "the export table holds exactly the 23 decorated names",
                   std::to_string(table.size()) + " names, " + std::to_string(functionCount) +
                       " functions" + (unexpected.empty() ? "" : "; unexpected:" + unexpected));
}

void AbiCheck::identityAndRefusals() {
    // The fresh card: nothing has failed yet.
    const Outcome fresh = raw("GetLastADError");
    expect(fresh.result, 0, "GetLastADError on the fresh card");

    expect(m_card.StartIntr(10, 100, 0, 4, 10000, 0, 0), 0,
           "StartIntr before any Initial is refused");
    expectError(-1, "StartIntr before Initial (not initialised)");

    std::array<std::uint8_t, 5> command{70, 64, 0, 0, 0};
    std::array<std::uint8_t, 5> reply{};
    const Outcome ioctl = raw("IOCtl", 5, command.data(), 5, reply.data());
    m_report.check(ioctl.result == 1 && reply == std::array<std::uint8_t, 5>{52, 0, 2, 5, 1},
                   "IOCtl identity (raw call): card 52/0/1, firmware 2.5",
                   "returned " + std::to_string(ioctl.result) + ", reply " +
                       list({reply[0], reply[1], reply[2], reply[3], reply[4]}));

    reply.fill(0);
    const std::int32_t identified = m_card.IOCtl(5, command.data(), 5, reply.data());
    m_report.check(identified == 1 && reply == std::array<std::uint8_t, 5>{52, 0, 2, 5, 1},
                   "IOCtl identity (binding): card 52/0/1, firmware 2.5",
                   "returned " + std::to_string(identified) + ", reply " +
                       list({reply[0], reply[1], reply[2], reply[3], reply[4]}));

    std::array<std::uint8_t, 5> unknown{9, 9, 9, 0, 0};
    expect(m_card.IOCtl(5, unknown.data(), 5, reply.data()), 0,
           "IOCtl with an unknown command is refused");
    expectError(-6, "an unknown IOCtl command");
    expect(m_card.IOCtl(5, command.data(), 5, nullptr), 0, "IOCtl with no reply buffer is refused");
    expectError(-3, "IOCtl with a null reply");
    expect(m_card.IOCtl(4, command.data(), 5, reply.data()), 0,
           "IOCtl with a 4-byte command is refused");
    expectError(-2, "a short IOCtl command");
}

bool AbiCheck::blockLooksRight(const std::vector<std::int16_t>& block, int scans, int firstScan,
                               const std::string& what) {
    // block[0] and block[N+1] belong to the caller; samples are block[1..N], scan after
    // scan, channels 0..3 in order; channel 3 counts scans.
    const auto at = [&block](int index) { return block[static_cast<std::size_t>(index)]; };
    bool guardsKept = at(0) == 0x7A7A && at(scans * 4 + 1) == 0x7A7A;
    int counterErrors = 0;
    int rangeErrors = 0;
    for (int s = 0; s < scans; ++s) {
        for (int c = 0; c < 3; ++c) {
            const int value = at(1 + s * 4 + c);
            if (value < 0 || value > 4095) ++rangeErrors;
        }
        if (at(1 + s * 4 + 3) != static_cast<std::int16_t>(firstScan + s)) ++counterErrors;
    }
    return m_report.check(guardsKept && counterErrors == 0 && rangeErrors == 0, what,
                          "first scan " + list({at(1), at(2), at(3), at(4)}) +
                              (guardsKept ? "" : "; the caller's elements 0/N+1 were written") +
                              "; counter mismatches " + std::to_string(counterErrors) +
                              ", samples outside 0..4095 " + std::to_string(rangeErrors));
}

void AbiCheck::acquisition() {
    constexpr int kScans = 100;
    constexpr int kChannels = 4;

    const Outcome initial = raw("Initial", 0, 0, 0, 0);
    expect(initial.result, 1, "Initial (raw call) succeeds");
    expectError(0, "a successful Initial");
    expect(m_card.Initial(0, 0, 0, 0), 1, "Initial (binding) succeeds");

    const Outcome refused = raw("StartIntr", 10, kScans, 0, 0, 10000, 0, 0);
    expect(refused.result, 0, "StartIntr with no channel is refused (raw call)");
    expectError(-2, "StartIntr with no channel (bad argument)");
    expect(m_card.StartIntr(10, kScans, 0, kChannels, 10000, 4, 0), 0,
           "StartIntr with gain 4 is refused (binding)");
    expectError(-2, "StartIntr with gain 4 (bad argument)");

    // 100 scans of 4 channels at 10000 scans/s: a block every 10 ms. Started through the
    // binding, then again from assembly, which starts afresh from scan 0.
    expect(m_card.StartIntr(10, kScans, 0, kChannels, 10000, 0, 0), 1,
           "StartIntr (binding) starts");
    const Outcome started = raw("StartIntr", 10, kScans, 0, kChannels, 10000, 0, 0);
    expect(started.result, 1, "StartIntr (raw call) restarts");

    const auto begin = std::chrono::steady_clock::now();
    int waiting = 0;
    while ((waiting = m_card.QueryBuf()) < 2 &&
           std::chrono::steady_clock::now() - begin < std::chrono::seconds(5)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - begin);
    m_report.check(
        waiting >= 2, "two blocks complete within 5 s",
        "QueryBuf " + std::to_string(waiting) + " after " + std::to_string(waited.count()) + " ms");

    const Outcome queried = raw("QueryBuf");
    m_report.check(low16(queried.result) >= 1, "QueryBuf (raw call) counts the waiting blocks",
                   std::to_string(low16(queried.result)));

    std::vector<std::int16_t> block(kScans * kChannels + 2, 0x7A7A);
    expect(m_card.ADResult(block.data()), 1, "ADResult (binding) delivers a block");
    if (blockLooksRight(block, kScans, 0, "the first block holds scans 0..99")) {
        m_report.check(block[1] == 2048 && block[2] == 448 && block[3] == 3048 && block[4] == 0,
                       "scan 0 reads sine 2048, triangle 448, square 3048, counter 0",
                       list({block[1], block[2], block[3], block[4]}));
    }

    block.assign(block.size(), 0x7A7A);
    const Outcome second = raw("ADResult", block.data());
    expect(second.result, 1, "ADResult (raw call) delivers the next block");
    blockLooksRight(block, kScans, kScans, "the second block holds scans 100..199");

    expect(m_card.ADResult(nullptr), 0, "ADResult with no buffer is refused");
    expectError(-3, "ADResult with a null buffer");

    const Outcome stopped = raw("StopIntr");
    expect(stopped.result, 1, "StopIntr (raw call) stops");
    expect(m_card.QueryBuf(), 0, "QueryBuf after StopIntr: the queue is emptied");
    expect(m_card.ADResult(block.data()), 0, "ADResult after StopIntr has no block");
    const Outcome lastError = raw("GetLastADError");
    expect(lastError.result, -4, "GetLastADError (raw call) after ADResult found no block");
    expect(m_card.StopIntr(), 1, "StopIntr (binding) when stopped is harmless");
}

void AbiCheck::digitalLines() {
    expect(m_card.Tqv_DO(0, 0xA5), 0, "Tqv_DO (binding) port 0 = 0xA5");
    const Outcome port1 = raw("Tqv_DO", 1, 0x3C);
    expect(low16(port1.result), 0, "Tqv_DO (raw call) port 1 = 0x3C");

    std::array<std::int16_t, 6> words{};
    const std::int16_t read = m_card.Tqv_DI(6, words.data());
    m_report.check(read == 6 && words[0] == 0xA5 && words[1] == 0x3C && words[3] == 0x1234 &&
                       words[5] == 0x0F0F,
                   "Tqv_DI (binding) reads the outputs back in words 0/1, 0x1234 and 0x0F0F in 3/5",
                   "returned " + std::to_string(read) + ": " +
                       hex(static_cast<std::uint16_t>(words[0])) + " " +
                       hex(static_cast<std::uint16_t>(words[1])) + " . " +
                       hex(static_cast<std::uint16_t>(words[3])) + " . " +
                       hex(static_cast<std::uint16_t>(words[5])));

    const Outcome bit0 = raw("Tqv_DOBit", 0, 0);
    expect(low16(bit0.result), 0, "Tqv_DOBit (raw call) bit 0 off");
    expect(m_card.Tqv_DOBit(15, 1), 0, "Tqv_DOBit (binding) bit 15 on");
    words.fill(0);
    const Outcome inputs = raw("Tqv_DI", 2, words.data());
    m_report.check(low16(inputs.result) == 2 && words[0] == 0xA4 && words[1] == 0xBC,
                   "Tqv_DI (raw call) sees bit 0 off (0xA4) and bit 15 on (0xBC)",
                   "returned " + std::to_string(low16(inputs.result)) + ": " +
                       hex(static_cast<std::uint16_t>(words[0])) + " " +
                       hex(static_cast<std::uint16_t>(words[1])));

    expect(m_card.Tqv_DO(2, 1), -2, "Tqv_DO port 2 is refused");
    expectError(-2, "Tqv_DO port 2");
    expect(m_card.Initial(0, 0, 0, 0), 1, "Initial clears the last error");
    expect(m_card.Tqv_DOBit(16, 1), -2, "Tqv_DOBit bit 16 is refused");
    expectError(-2, "Tqv_DOBit bit 16");
    expect(m_card.Tqv_DI(-1, words.data()), 0, "Tqv_DI with a negative count is refused");
    expectError(-2, "Tqv_DI with a negative count");
}

void AbiCheck::declaredOnly() {
    for (const DeclaredOnlyCase& c : declaredOnlyCases()) {
        const std::string name = c.name;
        m_card.Initial(0, 0, 0, 0);  // clears the last error
        expect(m_card.call(c.function, c.arguments), 0, name + " (binding) returns 0");
        expectError(-7, name + " (not supported)");

        m_card.Initial(0, 0, 0, 0);
        std::vector<std::uint32_t> slots;
        for (const std::int32_t argument : c.arguments) slots.push_back(slot(argument));
        const void* function = address(c.name);
        const std::string what = name + ": stdcall, the callee removes its " +
                                 std::to_string(4 * slots.size()) + " bytes of arguments";
        if (function == nullptr) {
            m_report.check(false, what, "not exported");
            continue;
        }
        const Outcome outcome = rawCallSlots(function, slots);
        m_report.check(outcome.stackMoved == 0, what,
                       "%esp moved by " + std::to_string(outcome.stackMoved) + " bytes");
        expect(outcome.result, 0, name + " (raw call) returns 0");
        expectError(-7, name + " (raw call, not supported)");
    }
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
    check.identityAndRefusals();
    check.acquisition();
    check.digitalLines();
    check.declaredOnly();
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
