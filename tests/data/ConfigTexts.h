#pragma once
// Expected cv.ini texts shared by the configuration tests.

#include <cstdlib>
#include <optional>
#include <string>

namespace configtexts {

// Sets (or, with nullptr, removes) an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_.c_str(), old_->c_str(), 1);
        else
            unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// The file the writer produces from the defaults, for the given home folder (ending in '/')
// when $XDG_DOCUMENTS_DIR is not set.
inline std::string defaultFile(const std::string& home) {
    return "[Corvane]\n"
           "Protected=No\n"
           "InsertEnabled=Yes\n"
           "GPSPort=COM3:\n"
           "GPSBaud=9600\n"
           "GPSParity=none\n"
           "GPSDatabits=8\n"
           "GPSStopBits=1\n"
           "GPSDTR=Yes\n"
           "GPSRTS=No\n"
           "Units=Statute\n"
           "Format=DD\n"
           "Heading=True\n"
           "AltitudeRef=HAE\n"
           "Datum=WGE\n"
           "WaypointPath=" +
           home +
           "\n"
           "WaypointFilename=\n"
           "DataExchange=No\n"
           "DataExchangePath=" +
           home +
           "Documents/\n"
           "Language=English\n"
           "AudibleFixes=No\n"
           "PointAveraging=No\n"
           "PointsAveraged=180\n"
           "MemExchange=No\n"
           "MarkKey=193\n"
           "KWDGKey=195\n"
           "MarkKeyF=233\n"
           "KWDGKeyF=235\n"
           "MaskEHE=No\n"
           "MaxEHE=0.000\n"
           "MaskElev=No\n"
           "MinElev=0.0\n"
           "MaskPDOP=No\n"
           "MaxPDOP=0.000\n"
           "MaskSNR=No\n"
           "MinSNR=0.0\n"
           "MaskDGPS=No\n"
           "Mask3D=No\n"
           "KWDG=No\n"
           "KEYWEDGE=0, \n"
           "K_RAW=No\n"
           "K_INTERNAL=No\n"
           "K_INTKEY=0\n"
           "EXPTWPT=No\n"
           "BTENBL=No";
}

// The value of KEY in a cv.ini text ("" when absent).
inline std::string valueOf(const std::string& text, const std::string& key) {
    std::string needle = "\n" + key + "=";
    std::size_t at = text.find(needle);
    if (at == std::string::npos) return "";
    at += needle.size();
    std::size_t end = text.find('\n', at);
    return text.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

} // namespace configtexts
