#pragma once

#include <curl/curl.h>

namespace kvn {

// The functions of the HTTP client library that the program uses. They are loaded when the first transfer needs
// them: the library and the ones it pulls in take several MiB of memory, which a user who never goes online
// would otherwise pay from the start, and a system without the library still runs the viewer.
struct TKvnCurl {
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

// The library's functions, loaded and initialised on the first call; nullptr when it cannot be loaded.
const TKvnCurl* Curl();

} // namespace kvn
