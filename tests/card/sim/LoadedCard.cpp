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
    // Every name is tried, so the error lists all that are missing, not just the first.
    bool complete = true;
    const auto bind = [&](const char* name, auto& slot) {
        complete = resolve(h, name, slot, e) && complete;
    };
    bind("Initial", f.Initial);
    bind("StartIntr", f.StartIntr);
    bind("StopIntr", f.StopIntr);
    bind("QueryBuf", f.QueryBuf);
    bind("ADResult", f.ADResult);
    bind("GetLastADError", f.GetLastADError);
    bind("IOCtl", f.IOCtl);
    bind("Tqv_DI", f.Tqv_DI);
    bind("Tqv_DO", f.Tqv_DO);
    bind("Tqv_DOBit", f.Tqv_DOBit);
    bind("StartSnapshot", f.StartSnapshot);
    bind("RegisterNotify", f.RegisterNotify);
    bind("ADResultRecent", f.ADResultRecent);
    bind("GetSnapshot", f.GetSnapshot);
    bind("ConfigInfo", f.ConfigInfo);
    bind("ChannelFrq", f.ChannelFrq);
    bind("Tqv_ADResult", f.Tqv_ADResult);
    bind("Tqv_Init", f.Tqv_Init);
    bind("Tqv_DA", f.Tqv_DA);
    bind("Tqv_USB_Inportb", f.Tqv_USB_Inportb);
    bind("Tqv_USB_Outportb", f.Tqv_USB_Outportb);
    bind("Tqv_Readb", f.Tqv_Readb);
    bind("Tqv_Writeb", f.Tqv_Writeb);
    m_complete = complete;
}

LoadedCard::~LoadedCard() {
    if (m_handle != nullptr) dlclose(m_handle);
}

LoadedCard& processCard() {
    static LoadedCard card(ADCARD_SIM_LIBRARY);
    return card;
}

}  // namespace tqv::sim::test
