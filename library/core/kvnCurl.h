#pragma once

#include <curl/curl.h>

// The HTTP client library, loaded when the first transfer starts. Most runs never make one, and the library with
// everything it needs (TLS, authentication, name lookup) would otherwise take several megabytes of every run's
// memory from the start.

namespace kvn {

struct TCurlLibrary {
    decltype(&curl_global_init) GlobalInit;
    decltype(&curl_easy_init) EasyInit;
    decltype(&curl_easy_setopt) EasySetopt;
    decltype(&curl_easy_perform) EasyPerform;
    decltype(&curl_easy_cleanup) EasyCleanup;
    decltype(&curl_mime_init) MimeInit;
    decltype(&curl_mime_free) MimeFree;
    decltype(&curl_mime_addpart) MimeAddpart;
    decltype(&curl_mime_name) MimeName;
    decltype(&curl_mime_data) MimeData;
    decltype(&curl_mime_filedata) MimeFiledata;
    decltype(&curl_mime_type) MimeType;
};

// The library, loaded and initialised on the first call; nullptr when it cannot be loaded, and every call after
// that returns nullptr too.
const TCurlLibrary* CurlLibrary();

} // namespace kvn
