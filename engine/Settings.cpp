#include "engine/Settings.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace engine {

namespace {

// Copies text and a trailing '/' (unless it already ends in one) into out, cutting to fit.
void copyFolder(const char* text, const char* suffix, char* out, std::size_t capacity) {
    if (capacity == 0) return;
    std::size_t n = 0;
    auto put = [&](char c) {
        if (n + 1 < capacity) out[n++] = c;
    };
    for (const char* p = text; *p != '\0'; ++p)
        put(*p);
    if (n == 0 || out[n - 1] != '/') put('/');
    for (const char* p = suffix; *p != '\0'; ++p)
        put(*p);
    out[n] = '\0';
}

const char* homeDirectory() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return home;
    const passwd* pw = getpwuid(getuid());
    if (pw != nullptr && pw->pw_dir != nullptr && pw->pw_dir[0] != '\0') return pw->pw_dir;
    return "/";
}

} // namespace

void homeFolder(char* out, std::size_t capacity) {
    copyFolder(homeDirectory(), "", out, capacity);
}

void documentsFolder(char* out, std::size_t capacity) {
    const char* documents = std::getenv("XDG_DOCUMENTS_DIR");
    if (documents != nullptr && documents[0] != '\0')
        copyFolder(documents, "", out, capacity);
    else
        copyFolder(homeDirectory(), "Documents/", out, capacity);
}

Settings::Settings() {
    homeFolder(WaypointPath, sizeof WaypointPath);
    documentsFolder(DataExchangePath, sizeof DataExchangePath);
}

} // namespace engine
