#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// The program's two network operations: downloading a URL into a file, and posting a multipart form whose reply is
// kept as text. Every failure (no connection, an error status, an abort, an unreadable file part) is a false
// result; nothing is thrown. With a status dialog attached, progress goes into its lines and the user may abort.

namespace kvn {

class IKvnJobStatus;
class TKvnMemIniFile;

class TKvnHTTP {
public:
    TKvnHTTP();
    ~TKvnHTTP();
    TKvnHTTP(const TKvnHTTP&) = delete;
    TKvnHTTP& operator=(const TKvnHTTP&) = delete;

    // Makes the part a plain form field with the value; a part is found by name regardless of letter case and
    // keeps the position of its first setting.
    void SetField(const std::string& name, const std::string& value);
    // Makes the part send the file at path (its content type stays).
    void SetFile(const std::string& name, const std::string& path);
    // Sets the content type of the part; only a part with a content type is sent as a file.
    void SetFileContentType(const std::string& name, const std::string& contentType);

    // Posts the parts as multipart/form-data (a plain GET without parts); true when a reply without error status
    // arrived. The parts are removed afterwards, whatever the result.
    bool Post(const std::string& url);
    // The body of the last reply of Post.
    const std::string& Response() const { return fReply; }
    // Writes the body of a GET of url into the file at path (created or overwritten); true when it all arrived.
    bool Download(const std::string& url, const std::string& path);

    // The status dialog to report to and poll for an abort, or nullptr for none (the default).
    IKvnJobStatus* StatusDialog() const { return fStatus; }
    void SetStatusDialog(IKvnJobStatus* status) { fStatus = status; }

private:
    struct TPart {
        std::string Name;
        std::string Value;
        std::string File;
        std::string ContentType;
    };

    TPart& FindOrAddPart(const std::string& name);
    bool Transfer(const std::string& url, void* body, std::FILE* target, bool sending);

    std::vector<TPart> fParts;
    std::string fReply;
    std::string fOperationTitle;
    IKvnJobStatus* fStatus = nullptr;
};

// Default address of the application-information endpoint, used while "Special"/"InfoURL" is not set.
// The ".invalid" name never resolves, so an installation that has not named its server sends nothing anywhere.
inline constexpr const char* kDefaultInfoURL = "http://applicationinfo.veltro.invalid/applicationInfo.php";

// The application-information request: the InfoURL setting (or its default) with "?mode=new&id=0&app=<internal
// name>&ver=<version>"; the values are inserted as they are.
std::string ApplicationInfoURL();

// The application information of this run, downloaded on first use through the status dialog (may be nullptr);
// nullptr when the download failed, and a later call tries again.
TKvnMemIniFile* GetApplicationInfo(IKvnJobStatus* status);

// Forgets the application information of this run (tests).
void ResetApplicationInfo();

} // namespace kvn
