// The card library's native ABI on 32-bit Windows, checked from the outside: run from a
// folder without adcard.dll, with the DLL in the system folder, the panel's own binding
// must find it there; every one of the 23 functions must be exported under its decorated
// stdcall name only and remove its own arguments from the stack; pointers and results
// must cross the boundary intact. A call through a typed function pointer would hide a
// callee that leaves its arguments behind, so each function is called from assembly that
// pushes the arguments itself and compares the stack pointer before and after. Whether
// the table holds nothing else is checked from objdump by scripts/windows-abi.sh.
// Prints one line per failure and, last, "N passed, M failed"; exits 0 only if none failed.

#if !defined(_WIN32) || !defined(__i386__)
#error "abi_loader_test checks the 32-bit Windows (i686) ABI only"
#endif

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "card/AdcardBinding.h"
#include "card/AdcardFunctions.h"
#include "card/LibraryLoader.h"

namespace {

using namespace tqv::card;

int passed = 0;
int failed = 0;

bool check(bool ok, const std::string& what) {
    ++(ok ? passed : failed);
    if (!ok) std::printf("FAIL  %s\n", what.c_str());
    std::fflush(stdout);  // a crash still shows how far it got
    return ok;
}

struct Export {
    const char* name;
    int argumentBytes;
};
#define TQV_EXPORT(name, bytes) Export{#name, bytes},
constexpr std::array kExports{ADCARD_CALLED_FUNCTIONS(TQV_EXPORT)
                                  ADCARD_DECLARED_ONLY_FUNCTIONS(TQV_EXPORT)};
#undef TQV_EXPORT

// One call made from assembly; the layout is read by the assembly below.
struct RawCall {
    const void* function;
    const std::uint32_t* arguments;  // arguments[0] is the leftmost, pushed last
    std::uint32_t count;
    std::uint32_t padding;      // so that the callee sees a 16-byte aligned stack
    std::uint32_t stackBefore;  // %esp with no argument pushed yet
    std::uint32_t stackAfter;   // %esp once the callee has returned
    std::uint32_t result;       // %eax
};
static_assert(std::is_standard_layout_v<RawCall>);

// Pushes the arguments right to left and calls. A stdcall callee pops its arguments
// (stackBefore == stackAfter); a cdecl callee leaves them (4 x count lower). %esp is put
// back from %edi, which either convention preserves, so a wrong callee is reported
// rather than crashing. Out of line: nothing of the caller's is held in registers the
// callee may change, and nothing here addresses memory relative to %esp while it moves.
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

// An argument as its 32-bit slot: integers sign-extended, addresses as they are.
template <typename T>
std::uint32_t slot(T value) {
    if constexpr (std::is_pointer_v<T>) {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(value));
    } else {
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
    }
}

struct Outcome {
    std::int32_t result;      // all of %eax; a 16-bit result is its low half
    std::int32_t stackMoved;  // bytes %esp moved across the call: 0 under stdcall
};

Outcome rawCall(const void* function, const std::vector<std::uint32_t>& slots) {
    RawCall call{function, slots.data(), static_cast<std::uint32_t>(slots.size()), 0, 0, 0, 0};
    callRaw(call);
    return {static_cast<std::int32_t>(call.result),
            static_cast<std::int32_t>(call.stackAfter - call.stackBefore)};
}

// The stack check's own check: one known callee of each convention.
extern "C" __attribute__((noinline, cdecl)) std::int32_t cdeclProbe(std::int32_t a,
                                                                    std::int32_t b) {
    return a - b;
}
extern "C" __attribute__((noinline, stdcall)) std::int32_t stdcallProbe(std::int32_t a,
                                                                        std::int32_t b) {
    return a - b;
}

void run() {
    const Outcome cdeclCall = rawCall(reinterpret_cast<const void*>(&cdeclProbe), {7, 2});
    check(cdeclCall.result == 5 && cdeclCall.stackMoved == -8,
          "the stack check sees a cdecl callee");
    const Outcome stdcallCall = rawCall(reinterpret_cast<const void*>(&stdcallProbe), {7, 2});
    check(stdcallCall.result == 5 && stdcallCall.stackMoved == 0, "the stack check passes stdcall");

    // Exactly the panel's way in: the production binding and its default search.
    AdcardBinding card;
    const auto loadError = card.load();
    if (!check(!loadError, "AdcardBinding binds adcard.dll: " + loadError.value_or(""))) return;
    std::array<wchar_t, MAX_PATH + 1> system{};
    const UINT length = GetSystemDirectoryW(system.data(), static_cast<UINT>(system.size()));
    const auto dll = std::filesystem::path(std::wstring(system.data(), length)) / "adcard.dll";
    check(card.loaded() == LibraryCandidate{dll, PlaceKind::SystemSearch},
          "found in the system folder by the system's search");
    // The same module again (the loader counts references), for raw addresses.
    std::string error;
    const std::unique_ptr<SharedLibrary> library = SharedLibrary::open(dll, error);
    if (!check(library != nullptr, "SharedLibrary::open: " + error)) return;
    auto address = [&](const Export& e) {
        return library->symbol(exportName(e.name, e.argumentBytes));
    };

    // Every function with as many slots as its name says; the arguments are harmless
    // (a refused or idle call is as good as any for the stack).
    std::array<std::uint8_t, 5> command{70, 64, 0, 0, 0};
    std::array<std::uint8_t, 5> reply{};
    std::array<std::int16_t, 6> words{};
    const std::vector<std::vector<std::uint32_t>> calledArguments{
        {0, 0, 0, 0},
        {10, 100, 0, 4, 10000, 0, 0},
        {},
        {},
        {0},
        {},
        {5, slot(command.data()), 5, slot(reply.data())},
        {2, slot(words.data())},
        {0, 0xA5},
        {0, 1}};
    for (std::size_t i = 0; i < kExports.size(); ++i) {
        const Export& e = kExports[i];
        const std::string name = exportName(e.name, e.argumentBytes);
        const auto slots = i < calledArguments.size()
                               ? calledArguments[i]
                               : std::vector<std::uint32_t>(std::size_t(e.argumentBytes / 4), 0);
        if (!check(address(e) != nullptr && library->symbol(e.name) == nullptr &&
                       4 * slots.size() == std::size_t(e.argumentBytes),
                   name + " exported under that name only"))
            continue;
        check(rawCall(address(e), slots).stackMoved == 0, name + " removes its own arguments");
    }
    card.StopIntr();

    // Pointers in, 16- and 32-bit results out, through assembly and through the binding.
    const std::array<std::uint8_t, 5> identity{52, 0, 2, 5, 1};  // card 52/0/1, firmware 2.5
    reply.fill(0);
    const Outcome ioctl =
        rawCall(address(kExports[6]), {5, slot(command.data()), 5, slot(reply.data())});
    check(ioctl.result == 1 && reply == identity, "IOCtl identity through assembly");
    reply.fill(0);
    check(card.IOCtl(5, command.data(), 5, reply.data()) == 1 && reply == identity,
          "IOCtl identity through the binding");
    check(card.Tqv_DO(1, 0x3C) == 0, "Tqv_DO port 1 = 0x3C through the binding");
    const Outcome inputs = rawCall(address(kExports[7]), {2, slot(words.data())});
    check(std::int16_t(inputs.result) == 2 && words[1] == 0x3C, "Tqv_DI reads port 1 back");
    card.Initial(0, 0, 0, 0);
    check(card.call(DeclaredOnly::Tqv_DA, std::array<std::int32_t, 2>{0, 2048}) == 0 &&
              card.GetLastADError() == -7,
          "Tqv_DA through the binding is refused as not supported");
    card.StopIntr();  // nothing may run while the library unloads
}

}  // namespace

int main() {
    try {
        run();
    } catch (const std::exception& e) {
        check(false, std::string("no exception escapes: ") + e.what());
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}
