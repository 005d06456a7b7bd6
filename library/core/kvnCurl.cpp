#include "kvnCurl.h"

#include <dlfcn.h>

#include <type_traits>

namespace kvn {

namespace {

// The library's name since its interface last changed, in 2006.
constexpr const char* kCurlLibrary = "libcurl.so.4";

const TKvnCurl* LoadCurl()
{
    // Never unloaded: the library keeps global state from its initialisation on.
    void* library = ::dlopen(kCurlLibrary, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    static TKvnCurl curl{};
    bool complete = true;
    auto resolve = [library, &complete](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(library, name));
        complete = complete && function != nullptr;
    };
    resolve(curl.EasyInit, "curl_easy_init");
    resolve(curl.EasySetopt, "curl_easy_setopt");
    resolve(curl.EasyPerform, "curl_easy_perform");
    resolve(curl.EasyCleanup, "curl_easy_cleanup");
    resolve(curl.MimeInit, "curl_mime_init");
    resolve(curl.MimeFree, "curl_mime_free");
    resolve(curl.MimeAddpart, "curl_mime_addpart");
    resolve(curl.MimeName, "curl_mime_name");
    resolve(curl.MimeData, "curl_mime_data");
    resolve(curl.MimeFiledata, "curl_mime_filedata");
    resolve(curl.MimeType, "curl_mime_type");
    decltype(&curl_global_init) globalInit = nullptr;
    resolve(globalInit, "curl_global_init");
    if (!complete || globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) return nullptr;
    return &curl;
}

} // namespace

const TKvnCurl* Curl()
{
    static const TKvnCurl* const curl = LoadCurl();
    return curl;
}

} // namespace kvn
