#pragma once
// Named shared memory sections, like the platform's named file mappings backed by the paging
// file: the memory exchange's 528-byte section "RuzeriVovAzo" is one.
//
// A section is one shared object "/corvane-<uid>-<name>" (see SharedObject.h), mapped read-write
// over its whole size. Whichever process comes first creates it, zero-filled; later ones open it
// and learn that it existed. The section lives while some live process holds it: the last close
// removes it, and a holder that died is not counted, so the next creator gets a fresh one.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace platform {

class SharedObject;

class NamedSection {
public:
    NamedSection() noexcept;
    ~NamedSection();
    NamedSection(NamedSection&& other) noexcept;
    NamedSection& operator=(NamedSection&& other) noexcept;
    NamedSection(const NamedSection&) = delete;
    NamedSection& operator=(const NamedSection&) = delete;

    // Creates the section of size bytes, or opens it when a live process holds it (existed, when
    // given, becomes true). A section held with another size is not opened (EEXIST). Nothing on
    // failure, with errno and reason set.
    static std::optional<NamedSection> create(std::string_view name, size_t size,
                                              bool* existed = nullptr,
                                              std::string* reason = nullptr);

    bool isOpen() const { return object_ != nullptr; }
    void* data() const;
    size_t size() const;
    // The live processes that hold the section (this one included), in no particular order;
    // empty when the section is not open or its table cannot be locked.
    std::vector<pid_t> holders() const;
    // Unmaps and closes this handle; the section goes when no live process holds it any more.
    void close();

private:
    std::unique_ptr<SharedObject> object_;
};

} // namespace platform
