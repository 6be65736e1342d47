#pragma once
// A parent key and one subkey of it, opened one after the other, with the result of the last
// operation kept, as the installer hook's entry points use them. Failures are not reported to
// anybody: each operation returns its result code and keeps it, and later operations on a key
// that failed to open return the kept code.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Registry.h"

namespace setuphook {

// Result codes, with the platform's numbers.
inline constexpr int32_t kResultOk = 0;                                   // ERROR_SUCCESS
inline constexpr int32_t kResultNotFound = 2;                             // ERROR_FILE_NOT_FOUND
inline constexpr int32_t kResultKeyNotOpen = 1010;                        // ERROR_BADKEY
inline constexpr int32_t kResultCannotOpen = 1011;                        // ERROR_CANTOPEN
inline constexpr int32_t kResultCannotWrite = 1013;                       // ERROR_CANTWRITE
inline constexpr int32_t kResultFail = static_cast<int32_t>(0x80004005u); // E_FAIL

// What creating a key found.
enum class Disposition { None = 0, CreatedNewKey = 1, OpenedExistingKey = 2 };

class RegistryKeyHolder {
public:
    explicit RegistryKeyHolder(platform::Registry& registry,
                               platform::RegistryRoot root = platform::RegistryRoot::CurrentUser)
        : registry_(registry), root_(root) {}
    ~RegistryKeyHolder() { close(); }
    RegistryKeyHolder(const RegistryKeyHolder&) = delete;
    RegistryKeyHolder& operator=(const RegistryKeyHolder&) = delete;

    // Creates or opens the parent key (a path below the root). kResultFail without a path; on
    // any failure the parent is left closed.
    int32_t createParent(const char* path);
    // Opens the parent key only when it exists (kResultNotFound otherwise), so that removing
    // leaves a registry without it untouched.
    int32_t openParent(const char* path);
    // Creates or opens a subkey of the parent. kResultCannotOpen without a name; when the parent
    // is not open, the result kept from its failure.
    int32_t createSubkey(const char* name);
    // Sets a string value of the subkey. kResultKeyNotOpen when the subkey is not open,
    // kResultCannotWrite when the name or data is missing or the value cannot be stored.
    int32_t setString(const char* name, const char* data);
    // Deletes a subkey of the parent with all its values and subkeys. kResultNotFound when it
    // does not exist, kResultCannotWrite when it cannot be removed; when the parent is not open,
    // the result kept from its failure.
    int32_t deleteSubkey(const char* name);
    // Closes the subkey, then the parent.
    void close();

    bool parentOpen() const { return parent_.has_value(); }
    bool subkeyOpen() const { return subkey_.has_value(); }
    Disposition disposition() const { return disposition_; }
    int32_t result() const { return result_; }

private:
    int32_t keep(int32_t result) { return result_ = result; }
    // The result to give when an operation needs a key that is not open: the kept failure, or
    // kResultKeyNotOpen when nothing has failed yet, so that it never reads as success.
    int32_t notOpen() { return keep(result_ != kResultOk ? result_ : kResultKeyNotOpen); }
    Disposition create(const std::string& path);

    platform::Registry& registry_;
    platform::RegistryRoot root_;
    std::optional<std::string> parent_; // open keys are held by their path
    std::optional<std::string> subkey_;
    Disposition disposition_ = Disposition::None;
    int32_t result_ = kResultOk;
};

} // namespace setuphook
