#pragma once
// A connection to the desktop portal (xdg-desktop-portal) on the session bus, shared by the
// Wayland typing and hot-key backends. The portal answers a request that may need the user's
// consent at once with the path of a request object, and later with that object's Response
// signal: request() makes the call and waits for the Response.
//
// The connection is not thread-safe: its owner serialises every use with lock().

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

struct sd_bus;
struct sd_bus_message;
struct sd_bus_slot;

namespace platform {

class PortalSession {
public:
    static constexpr const char* kService = "org.freedesktop.portal.Desktop";
    static constexpr const char* kPath = "/org/freedesktop/portal/desktop";
    // The desktop-file id the program is installed under (org.corvane.Corvane.desktop).
    static constexpr const char* kApplicationId = "org.corvane.Corvane";

    // Connects to the session bus and registers the program's desktop-file id with the portal;
    // null with reason set when there is no bus.
    static std::unique_ptr<PortalSession> connect(std::string* reason);
    ~PortalSession();
    PortalSession(const PortalSession&) = delete;
    PortalSession& operator=(const PortalSession&) = delete;

    // Appends a call's arguments; token is the handle_token its options must carry.
    using Arguments = std::function<int(sd_bus_message* call, const char* token)>;
    struct Answer {
        uint32_t response = 2; // 0 granted, 1 cancelled by the user, 2 refused otherwise
        std::string sessionHandle;
    };
    // Calls method of interface and waits up to timeoutMs for its Response. False with reason
    // set when the call fails or no answer comes; what names the request for the messages.
    bool request(const char* interface, const char* method, const Arguments& arguments,
                 uint32_t timeoutMs, const std::string& what, Answer& answer, std::string* reason);
    // A fresh token for handle_token and session_handle_token.
    std::string newToken();
    // Explains a failed portal call: the portal missing, its interface (named for the user by
    // title) missing, or the bus's own error.
    static std::string describeError(const char* errorName, const char* errorMessage,
                                     const std::string& title);

    sd_bus* bus() { return bus_; }
    std::recursive_mutex& lock() { return mutex_; }

private:
    explicit PortalSession(sd_bus* bus);
    static void registerApplication(sd_bus* bus);
    friend struct PortalSessionCallbacks;
    void onResponse(sd_bus_message* m);

    sd_bus* bus_;
    sd_bus_slot* responseMatch_ = nullptr;
    std::map<std::string, Answer> answers_; // Response signals received, by request path
    unsigned nextToken_ = 1;
    std::recursive_mutex mutex_;
};

} // namespace platform
