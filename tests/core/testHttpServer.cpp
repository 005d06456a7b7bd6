#include "testHttpServer.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kvntest {

namespace {

std::string RawQuery(const std::string& target)
{
    std::size_t mark = target.find('?');
    return mark == std::string::npos ? "" : target.substr(mark + 1);
}

} // namespace

TTestHttpServer::TTestHttpServer() : fServer(std::make_unique<httplib::Server>())
{
    auto reply = [this](TRequest request, httplib::Response& response) {
        int status = 404;
        std::string text;
        Handle(std::move(request), status, text);
        response.status = status;
        response.set_content(text, "text/plain");
    };
    auto received = [](const httplib::Request& request) {
        return TRequest{
            request.method, request.path, RawQuery(request.target), request.get_header_value("Content-Type"), "", {}};
    };
    fServer->Get(".*", [reply, received](const httplib::Request& request, httplib::Response& response) {
        reply(received(request), response);
    });
    fServer->Post(".*", [reply, received](const httplib::Request& request, httplib::Response& response,
                                          const httplib::ContentReader& reader) {
        TRequest seen = received(request);
        if (request.is_multipart_form_data()) {
            reader(
                [&seen](const httplib::MultipartFormData& header) {
                    seen.Parts.push_back({header.name, header.filename, header.content_type, ""});
                    return true;
                },
                [&seen](const char* data, std::size_t length) {
                    seen.Parts.back().Content.append(data, length);
                    return true;
                });
        } else {
            reader([&seen](const char* data, std::size_t length) {
                seen.Body.append(data, length);
                return true;
            });
        }
        reply(std::move(seen), response);
    });
    fPort = fServer->bind_to_any_port("127.0.0.1");
    fThread = std::thread([this] { fServer->listen_after_bind(); });
    // The socket listens from bind on, so a client that connects before the loop runs waits in the backlog.
}

TTestHttpServer::~TTestHttpServer()
{
    {
        std::lock_guard lock(fMutex);
        fStopping = true;
    }
    fReleased.notify_all();
    fServer->stop();
    fThread.join();
}

std::string TTestHttpServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(fPort) + path;
}

void TTestHttpServer::Answer(const std::string& path, int status, const std::string& body)
{
    std::lock_guard lock(fMutex);
    fAnswers[path] = {status, body, false};
}

void TTestHttpServer::StaySilent(const std::string& path)
{
    std::lock_guard lock(fMutex);
    fAnswers[path] = {0, "", true};
}

std::vector<TTestHttpServer::TRequest> TTestHttpServer::Requests() const
{
    std::lock_guard lock(fMutex);
    return fRequests;
}

void TTestHttpServer::Handle(TRequest request, int& status, std::string& body)
{
    std::unique_lock lock(fMutex);
    std::string path = request.Path;
    fRequests.push_back(std::move(request));
    auto found = fAnswers.find(path);
    if (found == fAnswers.end()) return;
    if (found->second.Silent) {
        fReleased.wait(lock, [this] { return fStopping; });
        return;
    }
    status = found->second.Status;
    body = found->second.Body;
}

int ClosedLoopbackPort()
{
    int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(probe);
    return ntohs(address.sin_port);
}

} // namespace kvntest
