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
    return "[Corvane]\nProtected=No\nInsertEnabled=Yes\nGPSPort=COM3:\nGPSBaud=9600\n"
           "GPSParity=none\nGPSDatabits=8\nGPSStopBits=1\nGPSDTR=Yes\nGPSRTS=No\n"
           "Units=Statute\nFormat=DD\nHeading=True\nAltitudeRef=HAE\nDatum=WGE\n"
           "WaypointPath=" +
           home + "\nWaypointFilename=\nDataExchange=No\nDataExchangePath=" + home +
           "Documents/\nLanguage=English\nAudibleFixes=No\nPointAveraging=No\n"
           "PointsAveraged=180\nMemExchange=No\nMarkKey=193\nKWDGKey=195\nMarkKeyF=233\n"
           "KWDGKeyF=235\nMaskEHE=No\nMaxEHE=0.000\nMaskElev=No\nMinElev=0.0\nMaskPDOP=No\n"
           "MaxPDOP=0.000\nMaskSNR=No\nMinSNR=0.0\nMaskDGPS=No\nMask3D=No\nKWDG=No\n"
           "KEYWEDGE=0, "
           "\nK_RAW=No\nK_INTERNAL=No\nK_INTKEY=0\nEXPTWPT=No\nShowOtherSatellites=Yes\nBTENBL=No";
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
