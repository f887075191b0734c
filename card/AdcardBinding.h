// The card library as the program really uses it: the shared library `adcard`,
// loaded at the first call and bound by its export names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "card/AdcardFunctions.h"
#include "card/CardLibrary.h"
#include "card/LibrarySearch.h"
#include "card/adcard.h"

namespace tqv::card {

class SharedLibrary;

// Raised by a call into a library that could not be loaded or bound; the text
// names the library, the places searched and what is missing.
class CardLibraryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Functions the library declares that the program itself never calls.
#define TQV_DECLARED_ONLY_ENUMERATOR(name, bytes) name,
enum class DeclaredOnly { ADCARD_DECLARED_ONLY_FUNCTIONS(TQV_DECLARED_ONLY_ENUMERATOR) };
#undef TQV_DECLARED_ONLY_ENUMERATOR

class AdcardBinding final : public CardLibrary {
public:
    // The files tried in order when none is named: the program's own folder, the
    // system loader's search, then the simulated card in the installation's private
    // folder (../<libdir>/tqv-multibuf beside the program). Never the current directory.
    static std::vector<LibraryCandidate> defaultPlaces();

    // Tries the candidates in order and binds the first that loads.
    explicit AdcardBinding(std::vector<LibraryCandidate> candidates = defaultPlaces());
    ~AdcardBinding() override;
    AdcardBinding(const AdcardBinding&) = delete;
    AdcardBinding& operator=(const AdcardBinding&) = delete;

    // Loads the library and binds the ten functions the program calls, so that a
    // missing one shows up at start-up rather than in the middle of a run. Later
    // calls return the first outcome. Empty on success, else the error text.
    std::optional<std::string> load();
    // The file bound and the place it was found in; empty before a successful load().
    std::optional<LibraryCandidate> loaded() const;
    std::filesystem::path loadedFrom() const;

    int32_t Initial(int32_t a, int32_t b, int32_t c, int32_t d) override;
    int32_t StartIntr(int16_t queueBlocks, int32_t scansPerBlock, int16_t firstChannel,
                      int16_t channelCount, int32_t scanRate, int32_t gain,
                      int16_t mode) override;
    int32_t StopIntr() override;
    int16_t QueryBuf() override;
    int32_t ADResult(int16_t* block) override;
    int32_t GetLastADError() override;
    int32_t IOCtl(int32_t commandSize, uint8_t* command, int32_t replySize,
                  uint8_t* reply) override;
    int16_t Tqv_DI(int16_t count, int16_t* words) override;
    int16_t Tqv_DO(int16_t port, int16_t value) override;
    int16_t Tqv_DOBit(int16_t bit, int16_t value) override;

    // Binds a declared-only function on its first use and calls it; the number of
    // arguments must match its declaration.
    int32_t call(DeclaredOnly function, std::span<const int32_t> arguments);

private:
#define TQV_FUNCTION_SLOT(name, bytes) decltype(&::name) name = nullptr;
    struct Functions {
        ADCARD_CALLED_FUNCTIONS(TQV_FUNCTION_SLOT)
    };
#undef TQV_FUNCTION_SLOT

    const Functions& bound();

    std::vector<LibraryCandidate> m_candidates;
    std::unique_ptr<SharedLibrary> m_library;
    PlaceKind m_loadedKind = PlaceKind::ProgramFolder;
    Functions m_functions;
    std::optional<std::string> m_loadError;
    bool m_loadTried = false;
};

}  // namespace tqv::card
