#include "platform/NamedSection.h"

#include "platform/SharedObject.h"

#include <cerrno>
#include <cstring>

namespace platform {

NamedSection::NamedSection() noexcept = default;

NamedSection::~NamedSection() {
    close();
}

NamedSection::NamedSection(NamedSection&& other) noexcept : object_(std::move(other.object_)) {}

NamedSection& NamedSection::operator=(NamedSection&& other) noexcept {
    if (this != &other) {
        close();
        object_ = std::move(other.object_);
    }
    return *this;
}

std::optional<NamedSection> NamedSection::create(std::string_view name, size_t size, bool* existed,
                                                 std::string* reason) {
    const std::string shown = "section \"" + std::string(name) + "\"";
    const std::string objectName = sharedObjectName(name);
    if (objectName.empty() || size == 0) {
        int err = objectName.empty() ? errno : EINVAL;
        if (reason) *reason = "invalid name or size for " + shown + ": " + std::strerror(err);
        errno = err;
        return std::nullopt;
    }
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::unique_ptr<SharedObject> object = SharedObject::open(objectName, size, false, reason);
        if (!object) return std::nullopt;
        SharedObject::Lock lock(*object);
        if (!lock.ok()) {
            int err = errno;
            if (reason) *reason = "cannot lock " + shown + ": " + std::strerror(err);
            errno = err;
            return std::nullopt;
        }
        // Its last holder removed it between our open and our lock: open the new one.
        if (!object->stillLinked()) continue;
        // Nobody alive holds it: whatever a holder that died left in it goes.
        const bool fresh = object->unused();
        if (fresh) std::memset(object->payload(), 0, size);
        if (!object->addHolder(SharedObject::kWholeObject)) {
            if (reason) *reason = "too many holders of " + shown;
            errno = ENOSPC;
            return std::nullopt;
        }
        if (existed) *existed = !fresh;
        NamedSection section;
        section.object_ = std::move(object);
        return section;
    }
    if (reason) *reason = shown + " keeps changing";
    errno = EAGAIN;
    return std::nullopt;
}

void* NamedSection::data() const {
    return object_ ? object_->payload() : nullptr;
}

size_t NamedSection::size() const {
    return object_ ? object_->payloadBytes() : 0;
}

std::vector<pid_t> NamedSection::holders() const {
    if (!object_) return {};
    pid_t pids[SharedObject::kMaxHolders];
    SharedObject::Lock lock(*object_);
    if (!lock.ok()) return {};
    const int n = object_->holderPids(SharedObject::kWholeObject, pids);
    return std::vector<pid_t>(pids, pids + n);
}

void NamedSection::close() {
    if (!object_) return;
    {
        SharedObject::Lock lock(*object_);
        if (lock.ok()) {
            object_->dropHolder(SharedObject::kWholeObject);
            if (object_->unused()) object_->unlinkName();
        }
    }
    object_.reset();
}

} // namespace platform
