#include "Curl.h"

#include <dlfcn.h>

#include <optional>
#include <type_traits>

namespace orvel {
namespace {

std::optional<Curl> load() {
    // The soname of Debian's libcurl4, whose headers we compile against.
    void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!library) return std::nullopt;
    Curl api{};
    bool complete = true;
    const auto bind = [&](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, name));
        complete = complete && function;
    };
    bind(api.easyInit, "curl_easy_init");
    bind(api.easyCleanup, "curl_easy_cleanup");
    bind(api.easySetopt, "curl_easy_setopt");
    bind(api.easyGetinfo, "curl_easy_getinfo");
    bind(api.multiInit, "curl_multi_init");
    bind(api.multiCleanup, "curl_multi_cleanup");
    bind(api.multiAddHandle, "curl_multi_add_handle");
    bind(api.multiRemoveHandle, "curl_multi_remove_handle");
    bind(api.multiPerform, "curl_multi_perform");
    bind(api.multiPoll, "curl_multi_poll");
    bind(api.multiInfoRead, "curl_multi_info_read");
    bind(api.multiWakeup, "curl_multi_wakeup");
    bind(api.slistAppend, "curl_slist_append");
    bind(api.slistFreeAll, "curl_slist_free_all");
    bind(api.urlInit, "curl_url");
    bind(api.urlCleanup, "curl_url_cleanup");
    bind(api.urlGet, "curl_url_get");
    bind(api.urlSet, "curl_url_set");
    bind(api.free, "curl_free");
    decltype(&curl_global_init) globalInit = nullptr;
    bind(globalInit, "curl_global_init");
    // Global initialisation is not thread-safe in older libcurl; the static in curl() runs it once.
    if (!complete || globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        dlclose(library);
        return std::nullopt;
    }
    return api; // the library stays loaded for the rest of the process
}

} // namespace

const Curl* curl() {
    static const std::optional<Curl> loaded = load();
    return loaded ? &*loaded : nullptr;
}

} // namespace orvel
