#include "kvnCurl.h"

#include <dlfcn.h>

#include <memory>

namespace kvn {

namespace {

template <class TFunction>
bool Resolve(void* library, const char* name, TFunction& function)
{
    function = reinterpret_cast<TFunction>(::dlsym(library, name));
    return function != nullptr;
}

std::unique_ptr<TCurlLibrary> LoadCurl()
{
    // Kept loaded for the rest of the run: the library's global state must not go while a handle may live.
    void* library = ::dlopen(VELTRO_CURL_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    auto curl = std::make_unique<TCurlLibrary>();
    bool resolved =
        Resolve(library, "curl_global_init", curl->GlobalInit) && Resolve(library, "curl_easy_init", curl->EasyInit) &&
        Resolve(library, "curl_easy_setopt", curl->EasySetopt) &&
        Resolve(library, "curl_easy_perform", curl->EasyPerform) &&
        Resolve(library, "curl_easy_cleanup", curl->EasyCleanup) &&
        Resolve(library, "curl_mime_init", curl->MimeInit) && Resolve(library, "curl_mime_free", curl->MimeFree) &&
        Resolve(library, "curl_mime_addpart", curl->MimeAddpart) &&
        Resolve(library, "curl_mime_name", curl->MimeName) && Resolve(library, "curl_mime_data", curl->MimeData) &&
        Resolve(library, "curl_mime_filedata", curl->MimeFiledata) &&
        Resolve(library, "curl_mime_type", curl->MimeType);
    if (!resolved || curl->GlobalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        ::dlclose(library);
        return nullptr;
    }
    return curl;
}

} // namespace

const TCurlLibrary* CurlLibrary()
{
    static const std::unique_ptr<TCurlLibrary> curl = LoadCurl();
    return curl.get();
}

} // namespace kvn
