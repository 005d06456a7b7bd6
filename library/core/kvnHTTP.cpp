#include "kvnHTTP.h"

#include "kvnCurl.h"
#include "kvnEncoding.h"
#include "kvnFiles.h"
#include "kvnIniFiles.h"
#include "kvnJobStatus.h"
#include "kvnLanguage.h"
#include "kvnStrings.h"
#include "kvnWinX.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace kvn {

namespace {

// A reply is a short message for a message box; a server that sends more is not the one we meant to talk to.
constexpr std::size_t kMaxReplySize = 1 << 20;

// Handles exist only once the library is loaded.
struct TCurlDeleter {
    void operator()(CURL* handle) const { CurlLibrary()->EasyCleanup(handle); }
    void operator()(curl_mime* mime) const { CurlLibrary()->MimeFree(mime); }
};
using TCurlHandle = std::unique_ptr<CURL, TCurlDeleter>;
using TCurlMime = std::unique_ptr<curl_mime, TCurlDeleter>;

std::string Text(int n)
{
    return GetLanguage().GetText("G", n);
}

// What the client's callbacks need of one transfer: where the body goes and how far each direction has come.
struct TTransfer {
    IKvnJobStatus* Status = nullptr;
    const std::string* Title = nullptr;
    std::string* Reply = nullptr;
    std::FILE* Target = nullptr;
    bool SendStarted = false;
    bool SendEnded = false;
    bool ReceiveStarted = false;
};

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto& transfer = *static_cast<TTransfer*>(user);
    std::size_t bytes = size * count;
    if (transfer.Target != nullptr) return std::fwrite(data, 1, bytes, transfer.Target);
    if (transfer.Reply->size() + bytes > kMaxReplySize) return 0;
    transfer.Reply->append(data, bytes);
    return bytes;
}

std::string Progress(int textNumber, curl_off_t count, curl_off_t total)
{
    return FormatTexts(Text(textNumber), {IntToStr(count), IntToStr(total)});
}

// The client calls this at least once a second also while no byte moves, so an abort works against a silent server.
int ReportProgress(void* user, curl_off_t receiveTotal, curl_off_t received, curl_off_t sendTotal, curl_off_t sent)
{
    auto& transfer = *static_cast<TTransfer*>(user);
    IKvnJobStatus* status = transfer.Status;
    if (status == nullptr) return 0;
    if (sendTotal > 0 && !transfer.SendStarted) {
        transfer.SendStarted = true;
        status->SetLine(0, *transfer.Title);
    }
    if (transfer.SendStarted && !transfer.SendEnded) {
        status->SetLine(1, Progress(114, sent, sendTotal));
        if (sent >= sendTotal) {
            transfer.SendEnded = true;
            status->SetLine(1, Text(128));
        }
    }
    if (received > 0 && !transfer.ReceiveStarted) {
        transfer.ReceiveStarted = true;
        status->SetLine(0, *transfer.Title);
    }
    if (transfer.ReceiveStarted) status->SetLine(1, Progress(122, received, receiveTotal));
    return status->CheckAborted() ? 1 : 0;
}

} // namespace

TKvnHTTP::TKvnHTTP() = default;

TKvnHTTP::~TKvnHTTP() = default;

TKvnHTTP::TPart& TKvnHTTP::FindOrAddPart(const std::string& name)
{
    std::string key = Utf8Upper(name);
    for (TPart& part : fParts) {
        if (Utf8Upper(part.Name) == key) return part;
    }
    fParts.push_back({name, "", "", ""});
    return fParts.back();
}

void TKvnHTTP::SetField(const std::string& name, const std::string& value)
{
    TPart& part = FindOrAddPart(name);
    part.Value = value;
    part.File.clear();
    part.ContentType.clear();
}

void TKvnHTTP::SetFile(const std::string& name, const std::string& path)
{
    TPart& part = FindOrAddPart(name);
    part.File = path;
    part.Value.clear();
}

void TKvnHTTP::SetFileContentType(const std::string& name, const std::string& contentType)
{
    FindOrAddPart(name).ContentType = contentType;
}

bool TKvnHTTP::Post(const std::string& url)
{
    fReply.clear();
    if (fStatus != nullptr) fStatus->SetLine(0, Text(136));
    fOperationTitle = Text(137);
    std::vector<TPart> parts;
    parts.swap(fParts);
    if (parts.empty()) return Transfer(url, nullptr, nullptr, false);

    const TCurlLibrary* curl = CurlLibrary();
    if (curl == nullptr) return false;
    TCurlMime body(curl->MimeInit(nullptr));
    if (!body) return false;
    for (const TPart& part : parts) {
        curl_mimepart* field = curl->MimeAddpart(body.get());
        if (field == nullptr || curl->MimeName(field, part.Name.c_str()) != CURLE_OK) return false;
        CURLcode added = CURLE_OK;
        if (part.ContentType.empty()) {
            added = curl->MimeData(field, part.Value.data(), part.Value.size());
        } else {
            // The client reads the file only while sending; a file that cannot be read must fail before that.
            if (!IsReadableFile(part.File)) return false;
            added = curl->MimeFiledata(field, part.File.c_str());
            if (added == CURLE_OK) added = curl->MimeType(field, part.ContentType.c_str());
        }
        if (added != CURLE_OK) return false;
    }
    return Transfer(url, body.get(), nullptr, true);
}

bool TKvnHTTP::Download(const std::string& url, const std::string& path)
{
    fOperationTitle = "Download " + std::filesystem::path(path).filename().string();
    bool done = false;
    if (std::FILE* target = std::fopen(path.c_str(), "wb")) {
        done = Transfer(url, nullptr, target, false);
        done = std::fclose(target) == 0 && done;
    }
    if (fStatus != nullptr) {
        fStatus->SetLine(0, "");
        fStatus->SetLine(1, "");
    }
    return done;
}

bool TKvnHTTP::Transfer(const std::string& url, void* body, std::FILE* target, bool sending)
{
    const TCurlLibrary* curl = CurlLibrary();
    if (curl == nullptr || url.empty()) return false;
    TCurlHandle client(curl->EasyInit());
    if (!client) return false;
    TTransfer transfer{fStatus, &fOperationTitle, &fReply, target};
    CURL* handle = client.get();
    curl->EasySetopt(handle, CURLOPT_URL, url.c_str());
    // No proxy from the environment, no redirects, no signals (the program's own handlers must not be disturbed).
    curl->EasySetopt(handle, CURLOPT_PROXY, "");
    curl->EasySetopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
    curl->EasySetopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl->EasySetopt(handle, CURLOPT_FAILONERROR, 1L);
    curl->EasySetopt(handle, CURLOPT_WRITEFUNCTION, WriteBody);
    curl->EasySetopt(handle, CURLOPT_WRITEDATA, &transfer);
    curl->EasySetopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl->EasySetopt(handle, CURLOPT_XFERINFOFUNCTION, ReportProgress);
    curl->EasySetopt(handle, CURLOPT_XFERINFODATA, &transfer);
    if (sending) curl->EasySetopt(handle, CURLOPT_MIMEPOST, static_cast<curl_mime*>(body));
    bool done = curl->EasyPerform(handle) == CURLE_OK;
    if (done && fStatus != nullptr && transfer.ReceiveStarted) fStatus->SetLine(1, Text(123));
    return done;
}

std::string ApplicationInfoURL()
{
    const TKvnSystemX& program = GetSystemInfo();
    std::string address = SettingsFile().ReadString("Special", "InfoURL", kDefaultInfoURL);
    return address + "?mode=new&id=0&app=" + program.InternalName() + "&ver=" + program.Version();
}

namespace {

std::unique_ptr<TKvnMemIniFile>& ApplicationInfo()
{
    static std::unique_ptr<TKvnMemIniFile> info;
    return info;
}

// The reply goes into a file of our own that lives only as long as the download and its reading.
class TPrivateTempFile {
public:
    TPrivateTempFile()
    {
        int descriptor = OpenPrivateTempFile(fPath);
        if (descriptor >= 0) ::close(descriptor);
    }
    ~TPrivateTempFile()
    {
        if (!fPath.empty()) ::unlink(fPath.c_str());
    }
    TPrivateTempFile(const TPrivateTempFile&) = delete;
    TPrivateTempFile& operator=(const TPrivateTempFile&) = delete;

    const std::string& Path() const { return fPath; }

private:
    std::string fPath;
};

} // namespace

TKvnMemIniFile* GetApplicationInfo(IKvnJobStatus* status)
{
    std::unique_ptr<TKvnMemIniFile>& info = ApplicationInfo();
    if (info) return info.get();
    TPrivateTempFile file;
    if (file.Path().empty()) return nullptr;
    TKvnHTTP client;
    client.SetStatusDialog(status);
    if (!client.Download(ApplicationInfoURL(), file.Path())) return nullptr;
    info = std::make_unique<TKvnMemIniFile>(file.Path());
    return info.get();
}

void ResetApplicationInfo()
{
    ApplicationInfo().reset();
}

} // namespace kvn
