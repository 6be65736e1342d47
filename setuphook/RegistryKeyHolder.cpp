#include "setuphook/RegistryKeyHolder.h"

namespace setuphook {

Disposition RegistryKeyHolder::create(const std::string& path) {
    bool existed = registry_.keyExists(root_, path);
    if (!registry_.createKey(root_, path)) return Disposition::None;
    return existed ? Disposition::OpenedExistingKey : Disposition::CreatedNewKey;
}

int32_t RegistryKeyHolder::createParent(const char* path) {
    close();
    if (path == nullptr || path[0] == '\0') return keep(kResultFail);
    disposition_ = create(path);
    if (disposition_ == Disposition::None) return keep(kResultCannotOpen);
    parent_ = path;
    return keep(kResultOk);
}

int32_t RegistryKeyHolder::openParent(const char* path) {
    close();
    if (path == nullptr || path[0] == '\0') return keep(kResultFail);
    if (!registry_.keyExists(root_, path)) return keep(kResultNotFound);
    disposition_ = Disposition::OpenedExistingKey;
    parent_ = path;
    return keep(kResultOk);
}

int32_t RegistryKeyHolder::createSubkey(const char* name) {
    if (name == nullptr || name[0] == '\0') return keep(kResultCannotOpen);
    if (!parent_) return notOpen();
    subkey_.reset();
    std::string path = *parent_ + '\\' + name;
    disposition_ = create(path);
    if (disposition_ == Disposition::None) return keep(kResultCannotOpen);
    subkey_ = std::move(path);
    return keep(kResultOk);
}

int32_t RegistryKeyHolder::setString(const char* name, const char* data) {
    if (!subkey_) return keep(kResultKeyNotOpen);
    if (name == nullptr || data == nullptr) return keep(kResultCannotWrite);
    if (!registry_.setString(root_, *subkey_, name, data)) return keep(kResultCannotWrite);
    return keep(kResultOk);
}

int32_t RegistryKeyHolder::deleteSubkey(const char* name) {
    if (name == nullptr || name[0] == '\0') return keep(kResultCannotOpen);
    if (!parent_) return notOpen();
    std::string path = *parent_ + '\\' + name;
    if (registry_.deleteKey(root_, path)) return keep(kResultOk);
    return keep(registry_.keyExists(root_, path) ? kResultCannotWrite : kResultNotFound);
}

void RegistryKeyHolder::close() {
    subkey_.reset();
    parent_.reset();
}

} // namespace setuphook
