#pragma once

// Only for its types and constants: the functions are reached through curl(), never linked.
#include <curl/curl.h>

namespace orvel {

// The libcurl functions the model server client calls. They are looked up in libcurl.so.4 the first
// time a model server is asked, so no other orvel run loads curl and its two dozen dependencies (TLS,
// Kerberos, LDAP, SSH…): that is megabytes of resident memory and milliseconds of linking at every start.
struct Curl {
    decltype(&curl_easy_init) easyInit;
    decltype(&curl_easy_cleanup) easyCleanup;
    decltype(&curl_easy_setopt) easySetopt;
    decltype(&curl_easy_getinfo) easyGetinfo;
    decltype(&curl_multi_init) multiInit;
    decltype(&curl_multi_cleanup) multiCleanup;
    decltype(&curl_multi_add_handle) multiAddHandle;
    decltype(&curl_multi_remove_handle) multiRemoveHandle;
    decltype(&curl_multi_perform) multiPerform;
    decltype(&curl_multi_poll) multiPoll;
    decltype(&curl_multi_info_read) multiInfoRead;
    decltype(&curl_multi_wakeup) multiWakeup;
    decltype(&curl_slist_append) slistAppend;
    decltype(&curl_slist_free_all) slistFreeAll;
    decltype(&curl_url) urlInit;
    decltype(&curl_url_cleanup) urlCleanup;
    decltype(&curl_url_get) urlGet;
    decltype(&curl_url_set) urlSet;
    decltype(&curl_free) free;
};

// The loaded and globally initialised library, or null when libcurl.so.4 or one of the functions is
// missing or it fails to initialise; then no model server can be asked. Safe from any thread.
const Curl* curl();

} // namespace orvel
