#include "LoadedCard.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>

namespace tqv::sim::test {

namespace {

// Runs `action` with file descriptor 2 pointing at a temporary file; returns what
// was written there.
template <typename Action>
std::string capturingStandardError(Action action) {
    std::FILE* capture = std::tmpfile();
    if (capture == nullptr) {
        action();
        return {};
    }
    std::fflush(stderr);
    const int saved = dup(2);
    dup2(fileno(capture), 2);
    action();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);

    std::string text;
    std::rewind(capture);
    char chunk[256];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, capture)) > 0) text.append(chunk, got);
    std::fclose(capture);
    return text;
}

template <typename Function>
bool resolve(void* handle, const char* name, Function& function, std::string& error) {
    void* address = dlsym(handle, name);
    if (address == nullptr) {
        error += std::string("missing ") + name + "; ";
        return false;
    }
    function = reinterpret_cast<Function>(address);
    return true;
}

}  // namespace

LoadedCard::LoadedCard(const std::string& path) {
    m_loadMessages =
        capturingStandardError([&] { m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); });
    std::fputs(m_loadMessages.c_str(), stderr);
    if (m_handle == nullptr) {
        const char* why = dlerror();
        m_error = why != nullptr ? why : "dlopen failed";
        return;
    }
    CardFunctions& f = m_functions;
    std::string& e = m_error;
    void* h = m_handle;
    m_complete =
        resolve(h, "Initial", f.Initial, e) & resolve(h, "StartIntr", f.StartIntr, e) &
        resolve(h, "StopIntr", f.StopIntr, e) & resolve(h, "QueryBuf", f.QueryBuf, e) &
        resolve(h, "ADResult", f.ADResult, e) & resolve(h, "GetLastADError", f.GetLastADError, e) &
        resolve(h, "IOCtl", f.IOCtl, e) & resolve(h, "Tqv_DI", f.Tqv_DI, e) &
        resolve(h, "Tqv_DO", f.Tqv_DO, e) & resolve(h, "Tqv_DOBit", f.Tqv_DOBit, e) &
        resolve(h, "StartSnapshot", f.StartSnapshot, e) &
        resolve(h, "RegisterNotify", f.RegisterNotify, e) &
        resolve(h, "ADResultRecent", f.ADResultRecent, e) &
        resolve(h, "GetSnapshot", f.GetSnapshot, e) & resolve(h, "ConfigInfo", f.ConfigInfo, e) &
        resolve(h, "ChannelFrq", f.ChannelFrq, e) & resolve(h, "Tqv_ADResult", f.Tqv_ADResult, e) &
        resolve(h, "Tqv_Init", f.Tqv_Init, e) & resolve(h, "Tqv_DA", f.Tqv_DA, e) &
        resolve(h, "Tqv_USB_Inportb", f.Tqv_USB_Inportb, e) &
        resolve(h, "Tqv_USB_Outportb", f.Tqv_USB_Outportb, e) &
        resolve(h, "Tqv_Readb", f.Tqv_Readb, e) & resolve(h, "Tqv_Writeb", f.Tqv_Writeb, e);
}

LoadedCard::~LoadedCard() {
    if (m_handle != nullptr) dlclose(m_handle);
}

LoadedCard& processCard() {
    static LoadedCard card(ADCARD_SIM_LIBRARY);
    return card;
}

}  // namespace tqv::sim::test
