#include "platform/PortalSession.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace platform {

struct PortalSessionCallbacks {
    static int response(sd_bus_message* m, void* self, sd_bus_error*) {
        static_cast<PortalSession*>(self)->onResponse(m);
        return 0;
    }
};

std::unique_ptr<PortalSession> PortalSession::connect(std::string* reason) {
    sd_bus* bus = nullptr;
    int r = sd_bus_open_user(&bus);
    if (r < 0) {
        if (reason)
            *reason = std::string("There is no session bus to reach the desktop portal (") +
                      std::strerror(-r) + ").";
        return nullptr;
    }
    registerApplication(bus);
    return std::unique_ptr<PortalSession>(new PortalSession(bus));
}

// Tells the portal which installed application this connection belongs to, before any other
// call on it: a program not started from a sandbox is otherwise known by no desktop-file id, and
// the desktop can neither name it when it asks the user nor keep its shortcuts between runs.
// Portals older than the host registry lack the call; they guess the id themselves, so its
// failure changes nothing.
void PortalSession::registerApplication(sd_bus* bus) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_call_method(bus, kService, kPath, "org.freedesktop.host.portal.Registry", "Register",
                       &error, nullptr, "sa{sv}", kApplicationId, 0);
    sd_bus_error_free(&error);
}

PortalSession::PortalSession(sd_bus* bus) : bus_(bus) {
    // Every Response is caught from the start, so one sent before the call's reply arrives (or
    // at a path other than the one foreseen) is not missed.
    sd_bus_match_signal(bus_, &responseMatch_, nullptr, nullptr, "org.freedesktop.portal.Request",
                        "Response", &PortalSessionCallbacks::response, this);
}

PortalSession::~PortalSession() {
    sd_bus_slot_unref(responseMatch_);
    sd_bus_flush_close_unref(bus_);
}

std::string PortalSession::newToken() {
    return "corvane_" + std::to_string(getpid()) + "_" + std::to_string(nextToken_++);
}

void PortalSession::onResponse(sd_bus_message* m) {
    Answer answer;
    if (sd_bus_message_read(m, "u", &answer.response) < 0) return;
    if (sd_bus_message_enter_container(m, 'a', "{sv}") >= 0) {
        while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
            const char* name = nullptr;
            if (sd_bus_message_read(m, "s", &name) < 0) break;
            char type = 0;
            const char* contents = nullptr;
            bool isHandle = std::strcmp(name, "session_handle") == 0 &&
                            sd_bus_message_peek_type(m, &type, &contents) >= 0 && contents &&
                            (contents[0] == 's' || contents[0] == 'o') && contents[1] == '\0';
            const char* value = nullptr;
            if (isHandle) {
                if (sd_bus_message_read(m, "v", contents, &value) < 0) break;
                answer.sessionHandle = value;
            } else if (sd_bus_message_skip(m, "v") < 0) {
                break;
            }
            if (sd_bus_message_exit_container(m) < 0) break;
        }
    }
    answers_[sd_bus_message_get_path(m)] = answer;
}

bool PortalSession::request(const char* interface, const char* method, const Arguments& arguments,
                            uint32_t timeoutMs, const std::string& what, Answer& answer,
                            std::string* reason) {
    std::lock_guard<std::recursive_mutex> held(mutex_);
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    std::string token = newToken();
    int r = sd_bus_message_new_method_call(bus_, &call, kService, kPath, interface, method);
    if (r >= 0) r = arguments(call, token.c_str());
    if (r >= 0) r = sd_bus_call(bus_, call, 0, &error, &reply);
    sd_bus_message_unref(call);
    const char* handle = nullptr;
    if (r >= 0) r = sd_bus_message_read(reply, "o", &handle);
    if (r >= 0 && handle == nullptr) r = -EBADMSG;
    if (r >= 0) {
        std::string path = handle;
        sd_bus_message_unref(reply);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            auto found = answers_.find(path);
            if (found != answers_.end()) {
                answer = found->second;
                answers_.erase(found);
                return true;
            }
            r = sd_bus_process(bus_, nullptr);
            if (r < 0) break;
            if (r > 0) continue;
            auto left = std::chrono::duration_cast<std::chrono::microseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                if (reason)
                    *reason = "The desktop did not answer the " + what + " request within " +
                              std::to_string(timeoutMs / 1000) + " s.";
                return false;
            }
            sd_bus_wait(bus_, static_cast<uint64_t>(left.count()));
        }
        if (reason) *reason = "The connection to the desktop portal was lost.";
        return false;
    }
    if (reason) {
        if (sd_bus_error_is_set(&error))
            *reason = describeError(error.name, error.message, what);
        else
            *reason = "The " + what + " request failed: " + std::strerror(-r) + ".";
    }
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    return false;
}

std::string PortalSession::describeError(const char* errorName, const char* errorMessage,
                                         const std::string& title) {
    std::string name = errorName ? errorName : "";
    if (name == SD_BUS_ERROR_SERVICE_UNKNOWN || name == SD_BUS_ERROR_NAME_HAS_NO_OWNER)
        return "The desktop portal (xdg-desktop-portal) is not running, so the " + title +
               " portal cannot be used.";
    if (name == SD_BUS_ERROR_UNKNOWN_METHOD || name == SD_BUS_ERROR_UNKNOWN_INTERFACE ||
        name == SD_BUS_ERROR_UNKNOWN_OBJECT)
        return "This desktop does not offer the " + title + " portal.";
    return "The " + title + " portal failed: " + (errorMessage ? errorMessage : name) + ".";
}

} // namespace platform
