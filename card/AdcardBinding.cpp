#include "card/AdcardBinding.h"

#include <algorithm>
#include <array>
#include <type_traits>
#include <string_view>
#include <utility>

#include "card/LibraryLoader.h"

// The simulated card's private folder in the installation, relative to its prefix.
#ifndef TQV_SHIPPED_CARD_DIR
#define TQV_SHIPPED_CARD_DIR "lib/tqv-multibuf"
#endif

namespace tqv::card {

namespace {

constexpr std::string_view kLibraryBaseName = "adcard";

struct DeclaredOnlyInfo {
    std::string_view name;
    int argumentCount;
};

// Indexed by DeclaredOnly; every argument is one 32-bit slot.
#define TQV_DECLARED_ONLY_INFO(name, bytes) DeclaredOnlyInfo{#name, (bytes) / 4},
constexpr std::array kDeclaredOnly{ADCARD_DECLARED_ONLY_FUNCTIONS(TQV_DECLARED_ONLY_INFO)};
#undef TQV_DECLARED_ONLY_INFO

// The list's argument bytes must be what adcard.h declares: a wrong count would bind a
// 32-bit Windows name the library does not export, or pass the wrong number of slots.
template <typename R, typename... A>
constexpr int stdcallArgumentBytes(R(ADCARD_CALL*)(A...)) {
    return (0 + ... + (std::is_pointer_v<A> ? 4 : static_cast<int>((sizeof(A) + 3) / 4 * 4)));
}
#define TQV_CHECK_ARGUMENT_BYTES(name, bytes) \
    static_assert(stdcallArgumentBytes(&::name) == (bytes), #name ": argument bytes differ");
ADCARD_CALLED_FUNCTIONS(TQV_CHECK_ARGUMENT_BYTES)
ADCARD_DECLARED_ONLY_FUNCTIONS(TQV_CHECK_ARGUMENT_BYTES)
#undef TQV_CHECK_ARGUMENT_BYTES

// A path for an error message: UTF-8 on every platform (path::string() would use the
// ANSI code page on Windows, and throw for a name outside it).
std::string displayText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

template <size_t>
using Slot = int32_t;

template <size_t... I>
int32_t callWithSlots(void* address, const int32_t* arguments, std::index_sequence<I...>) {
    using Function = int32_t(ADCARD_CALL*)(Slot<I>...);
    return reinterpret_cast<Function>(address)(arguments[I]...);
}

template <size_t Count>
int32_t callWith(void* address, std::span<const int32_t> arguments) {
    return callWithSlots(address, arguments.data(), std::make_index_sequence<Count>{});
}

}  // namespace

std::vector<LibraryCandidate> AdcardBinding::defaultPlaces() {
    SearchInputs inputs;
    inputs.programFolder = executableDirectory();
    inputs.loaderFolders = loaderSearchFolders();
    // Found relative to the program, never at a path compiled in for one prefix. The
    // loader never looks there, so a vendor's library, wherever the loader finds it,
    // comes first.
    if (!inputs.programFolder.empty()) {
        // The program's folder is its real path, free of links, so its parent is the
        // one the kernel would take for "..".
        inputs.shippedFolder = inputs.programFolder.parent_path() / TQV_SHIPPED_CARD_DIR;
    }
    // The loader's search is done here, file by file, and each file is loaded by its
    // full path, rather than handing the loader the bare name: glibc's dlopen() reads
    // LD_LIBRARY_PATH as it was when the process started, and takes an empty or
    // relative entry (LD_LIBRARY_PATH=":" or ".") relative to the current directory,
    // running a planted library's initialisers before anyone could check where it came
    // from. Windows offers no loader search without the current directory either,
    // short of the system folder alone.
    return searchOrder(inputs, libraryFileName(kLibraryBaseName));
}

AdcardBinding::AdcardBinding(std::vector<LibraryCandidate> candidates)
    : m_candidates(std::move(candidates)) {}

AdcardBinding::~AdcardBinding() = default;

std::optional<std::string> AdcardBinding::load() {
    if (m_loadTried) return m_loadError;
    m_loadTried = true;

    const std::string fileName = libraryFileName(kLibraryBaseName);
    std::string reasons;
    for (const auto& candidate : m_candidates) {
        std::string error;
        m_library = SharedLibrary::open(candidate.file, error);
        if (m_library) {
            m_loadedKind = candidate.kind;
            break;
        }
        reasons += "\n  " + displayText(candidate.file) + " (" +
                   std::string(describe(candidate.kind)) + "): " + error;
    }
    if (!m_library) {
        m_loadError = "The card library " + fileName + " could not be loaded." +
                      (m_candidates.empty() ? std::string("\nNo place to look for it is known.")
                                            : "\nTried:" + reasons);
        return m_loadError;
    }

    Functions functions;
    std::string missing;
    auto bind = [&](auto& slot, std::string_view name, int argumentBytes) {
        const std::string exported = exportName(name, argumentBytes);
        void* address = m_library->symbol(exported);
        if (address == nullptr) {
            missing += "\n  " + std::string(name) + " (exported as " + exported + ")";
            return;
        }
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(address);
    };
#define TQV_BIND(name, bytes) bind(functions.name, #name, bytes);
    ADCARD_CALLED_FUNCTIONS(TQV_BIND)
#undef TQV_BIND

    if (!missing.empty()) {
        m_loadError = "The card library " + displayText(m_library->path()) +
                      " lacks functions the program needs:" + missing;
        m_library.reset();
        return m_loadError;
    }
    m_functions = functions;
    return std::nullopt;
}

std::optional<LibraryCandidate> AdcardBinding::loaded() const {
    if (!m_library) return std::nullopt;
    return LibraryCandidate{m_library->path(), m_loadedKind};
}

std::filesystem::path AdcardBinding::loadedFrom() const {
    return m_library ? m_library->path() : std::filesystem::path{};
}

const AdcardBinding::Functions& AdcardBinding::bound() {
    if (const auto error = load()) throw CardLibraryError(*error);
    return m_functions;
}

int32_t AdcardBinding::Initial(int32_t a, int32_t b, int32_t c, int32_t d) {
    return bound().Initial(a, b, c, d);
}

int32_t AdcardBinding::StartIntr(int16_t queueBlocks, int32_t scansPerBlock, int16_t firstChannel,
                                 int16_t channelCount, int32_t scanRate, int32_t gain,
                                 int16_t mode) {
    return bound().StartIntr(queueBlocks, scansPerBlock, firstChannel, channelCount, scanRate,
                             gain, mode);
}

int32_t AdcardBinding::StopIntr() { return bound().StopIntr(); }

int16_t AdcardBinding::QueryBuf() { return bound().QueryBuf(); }

int32_t AdcardBinding::ADResult(int16_t* block) { return bound().ADResult(block); }

int32_t AdcardBinding::GetLastADError() { return bound().GetLastADError(); }

int32_t AdcardBinding::IOCtl(int32_t commandSize, uint8_t* command, int32_t replySize,
                             uint8_t* reply) {
    return bound().IOCtl(commandSize, command, replySize, reply);
}

int16_t AdcardBinding::Tqv_DI(int16_t count, int16_t* words) {
    return bound().Tqv_DI(count, words);
}

int16_t AdcardBinding::Tqv_DO(int16_t port, int16_t value) { return bound().Tqv_DO(port, value); }

int16_t AdcardBinding::Tqv_DOBit(int16_t bit, int16_t value) {
    return bound().Tqv_DOBit(bit, value);
}

int32_t AdcardBinding::call(DeclaredOnly function, std::span<const int32_t> arguments) {
    bound();
    const auto& info = kDeclaredOnly.at(static_cast<size_t>(function));
    const auto count = static_cast<size_t>(info.argumentCount);
    if (arguments.size() != count) {
        throw CardLibraryError(std::string(info.name) + " takes " + std::to_string(count) +
                               " arguments, not " + std::to_string(arguments.size()));
    }
    const std::string exported = exportName(info.name, info.argumentCount * 4);
    void* address = m_library->symbol(exported);
    if (address == nullptr) {
        throw CardLibraryError("The card library " + displayText(m_library->path()) +
                               " has no function " + std::string(info.name) + " (exported as " +
                               exported + ")");
    }
    switch (count) {
        case 1: return callWith<1>(address, arguments);
        case 2: return callWith<2>(address, arguments);
        case 3: return callWith<3>(address, arguments);
        case 4: return callWith<4>(address, arguments);
        case 5: return callWith<5>(address, arguments);
        default: return callWith<8>(address, arguments);
    }
}

}  // namespace tqv::card
