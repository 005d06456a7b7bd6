#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace kvntest {

// An HTTP server on 127.0.0.1 for one test: it answers each path as told, records every request, and can stay
// silent after accepting a request (until it is destroyed).
class TTestHttpServer {
public:
    // One part of a multipart/form-data body, as the server read it.
    struct TPart {
        std::string Name;
        std::string FileName;
        std::string ContentType;
        std::string Content;
    };
    struct TRequest {
        std::string Method;
        std::string Path;
        std::string Query; // the raw text after "?"
        std::string ContentType;
        std::string Body;         // bodies other than multipart/form-data
        std::vector<TPart> Parts; // a multipart/form-data body, in the order sent
    };

    TTestHttpServer();
    ~TTestHttpServer();
    TTestHttpServer(const TTestHttpServer&) = delete;
    TTestHttpServer& operator=(const TTestHttpServer&) = delete;

    // "http://127.0.0.1:<port><path>".
    std::string Url(const std::string& path) const;
    // GET and POST of path get this status and body; unknown paths get 404.
    void Answer(const std::string& path, int status, const std::string& body);
    // Requests of path are accepted and never answered.
    void StaySilent(const std::string& path);
    // The requests received so far, in order.
    std::vector<TRequest> Requests() const;

private:
    struct TAnswer {
        int Status = 404;
        std::string Body;
        bool Silent = false;
    };
    void Handle(TRequest request, int& status, std::string& body);

    std::unique_ptr<httplib::Server> fServer;
    std::thread fThread;
    int fPort = 0;
    mutable std::mutex fMutex;
    std::condition_variable fReleased;
    bool fStopping = false;
    std::map<std::string, TAnswer> fAnswers;
    std::vector<TRequest> fRequests;
};

// A port on 127.0.0.1 on which nothing listens, so that connecting is refused.
int ClosedLoopbackPort();

} // namespace kvntest
