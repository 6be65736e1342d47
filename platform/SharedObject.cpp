#include "platform/SharedObject.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr uint32_t kMagic = 0x43564E4Fu; // "CVNO"
constexpr uint32_t kLayoutVersion = 1;

struct Holder {
    int32_t pid;
    uint32_t slot;
    uint64_t startTime; // clock ticks after boot, from /proc/<pid>/stat
    uint32_t count;     // handles of this process on this slot; 0 = free entry
    uint32_t reserved;
};

struct Header {
    std::atomic<uint32_t> magic;
    uint32_t version;
    uint64_t payloadBytes;
    pthread_mutex_t mutex;
    Holder holders[SharedObject::kMaxHolders];
};

constexpr size_t kPayloadOffset = (sizeof(Header) + 63) & ~size_t{63};

static_assert(std::atomic<uint32_t>::is_always_lock_free);

std::mutex prefixLock;
// $CORVANE_SHM_PREFIX lets a test run its program and its clients in a namespace of their own.
std::string initialPrefix() {
    const char* p = std::getenv("CORVANE_SHM_PREFIX");
    return p != nullptr && *p != '\0' ? std::string(p) : std::string("corvane");
}
// Made on first use and never destroyed: the client library's load and unload run among the
// static constructors and destructors of its objects, in no fixed order with this one.
std::string& prefix() {
    static std::string* value = new std::string(initialPrefix());
    return *value;
}

Header* header(void* base) {
    return static_cast<Header*>(base);
}

void fail(std::string* reason, int err, const std::string& text) {
    if (reason) *reason = text + ": " + std::strerror(err);
    errno = err;
}

struct ProcessInfo {
    bool exists = false;
    bool known = false; // /proc could be read
    bool zombie = false;
    uint64_t startTime = 0;
};

ProcessInfo processInfo(pid_t pid) {
    ProcessInfo info;
    if (pid <= 0) return info;
    if (kill(pid, 0) != 0 && errno == ESRCH) return info;
    info.exists = true;
    char path[32];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
    FILE* f = std::fopen(path, "re");
    if (!f) {
        if (errno == ENOENT) info.exists = false;
        return info;
    }
    char buf[1024];
    size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = '\0';
    // The command name may hold spaces and parentheses; the fields start after the last ')'.
    const char* p = std::strrchr(buf, ')');
    if (!p) return info;
    char state = 0;
    unsigned long long start = 0;
    // Field 3 is the state, field 22 the start time.
    if (std::sscanf(p + 1,
                    " %c %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s "
                    "%*s %*s %llu",
                    &state, &start) != 2)
        return info;
    info.known = true;
    info.zombie = state == 'Z' || state == 'X';
    info.startTime = start;
    return info;
}

bool holderAlive(const Holder& h) {
    ProcessInfo info = processInfo(h.pid);
    if (!info.exists || info.zombie) return false;
    // Where /proc cannot be read the pid alone has to do.
    return !info.known || info.startTime == h.startTime;
}

void initialiseHeader(Header* h, size_t payloadBytes) {
    std::memset(static_cast<void*>(h), 0, kPayloadOffset);
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    pthread_mutex_init(&h->mutex, &attr);
    pthread_mutexattr_destroy(&attr);
    h->version = kLayoutVersion;
    h->payloadBytes = payloadBytes;
    h->magic.store(kMagic, std::memory_order_release);
}

} // namespace

void setSharedObjectPrefix(std::string_view p) {
    std::lock_guard lock(prefixLock);
    prefix() = p;
}

std::string sharedObjectName(std::string_view name) {
    if (name.empty()) {
        errno = EINVAL;
        return {};
    }
    std::string out;
    {
        std::lock_guard lock(prefixLock);
        out = "/" + prefix() + "-" + std::to_string(geteuid()) + "-";
    }
    static const char hex[] = "0123456789ABCDEF";
    for (char c : name) {
        auto u = static_cast<unsigned char>(c);
        bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
                     u == '.' || u == '_' || u == '-';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 15];
        }
    }
    if (out.size() - 1 > NAME_MAX) {
        errno = ENAMETOOLONG;
        return {};
    }
    return out;
}

std::string sharedTableName(std::string_view table) {
    std::lock_guard lock(prefixLock);
    return "/" + prefix() + "-" + std::to_string(geteuid()) + "." + std::string(table);
}

std::unique_ptr<SharedObject> SharedObject::open(const std::string& objectName, size_t payloadBytes,
                                                 bool existingOnly, std::string* reason) {
    const size_t total = kPayloadOffset + payloadBytes;
    // A few rounds cover an object unlinked by its last holder, or left with another size by an
    // earlier layout, between our open and our look at it.
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::unique_ptr<SharedObject> obj(new SharedObject);
        obj->name_ = objectName;
        int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | (existingOnly ? 0 : O_CREAT);
        obj->fd_ = shm_open(objectName.c_str(), flags, 0600);
        if (obj->fd_ < 0) {
            fail(reason, errno, "cannot open shared object " + objectName);
            return nullptr;
        }
        while (flock(obj->fd_, LOCK_EX) != 0)
            if (errno != EINTR) {
                fail(reason, errno, "cannot lock shared object " + objectName);
                return nullptr;
            }
        struct stat st {};
        if (fstat(obj->fd_, &st) != 0) {
            fail(reason, errno, "cannot examine shared object " + objectName);
            return nullptr;
        }
        if (!S_ISREG(st.st_mode) || st.st_uid != geteuid() || (st.st_mode & 077) != 0) {
            char mode[16];
            std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
            fail(reason, EACCES,
                 "shared object " + objectName + " (owner " + std::to_string(st.st_uid) +
                     ", mode " + mode + ") is not private to this user; not used");
            return nullptr;
        }
        obj->dev_ = st.st_dev;
        obj->ino_ = st.st_ino;
        bool initialised = false;
        if (static_cast<size_t>(st.st_size) >= kPayloadOffset) {
            void* base = mmap(nullptr, st.st_size, PROT_READ | PROT_WRITE, MAP_SHARED, obj->fd_, 0);
            if (base == MAP_FAILED) {
                fail(reason, errno, "cannot map shared object " + objectName);
                return nullptr;
            }
            obj->base_ = base;
            obj->mappedBytes_ = st.st_size;
            Header* h = header(base);
            if (h->magic.load(std::memory_order_acquire) == kMagic) {
                if (h->version == kLayoutVersion && h->payloadBytes == payloadBytes &&
                    static_cast<size_t>(st.st_size) == total) {
                    initialised = true;
                } else {
                    // Another size or layout: replace it when nobody holds it.
                    bool unusedNow = false;
                    {
                        Lock lock(*obj);
                        unusedNow = lock.ok() && obj->unused();
                        if (unusedNow) obj->unlinkName();
                    }
                    if (unusedNow) continue;
                    fail(reason, EEXIST,
                         "shared object " + objectName + " is in use with another size");
                    return nullptr;
                }
            }
        }
        if (!initialised) {
            // New, or its creator died before setting it up: nobody else can be inside, since
            // every opener passes this point under the flock.
            if (obj->base_) munmap(obj->base_, obj->mappedBytes_);
            obj->base_ = nullptr;
            if (fchmod(obj->fd_, 0600) != 0 || ftruncate(obj->fd_, total) != 0) {
                fail(reason, errno, "cannot size shared object " + objectName);
                return nullptr;
            }
            void* base = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_SHARED, obj->fd_, 0);
            if (base == MAP_FAILED) {
                fail(reason, errno, "cannot map shared object " + objectName);
                return nullptr;
            }
            obj->base_ = base;
            obj->mappedBytes_ = total;
            std::memset(static_cast<char*>(base) + kPayloadOffset, 0, payloadBytes);
            initialiseHeader(header(base), payloadBytes);
        }
        flock(obj->fd_, LOCK_UN);
        obj->payload_ = static_cast<char*>(obj->base_) + kPayloadOffset;
        obj->payloadBytes_ = payloadBytes;
        return obj;
    }
    fail(reason, EAGAIN, "shared object " + objectName + " keeps changing");
    return nullptr;
}

SharedObject::~SharedObject() {
    if (base_) munmap(base_, mappedBytes_);
    if (fd_ >= 0) ::close(fd_);
}

SharedObject::Lock::Lock(SharedObject& object) : object_(object) {
    Header* h = header(object_.base_);
    int rc = pthread_mutex_lock(&h->mutex);
    if (rc == EOWNERDEAD) {
        // The previous owner died holding the lock: its changes to the holder table may be
        // half done, and the table is checked again below.
        pthread_mutex_consistent(&h->mutex);
        rc = 0;
    }
    if (rc != 0) {
        errno = rc;
        return;
    }
    locked_ = true;
    object_.dropDeadHolders();
}

SharedObject::Lock::~Lock() {
    if (locked_) pthread_mutex_unlock(&header(object_.base_)->mutex);
}

void SharedObject::dropDeadHolders() {
    for (Holder& h : header(base_)->holders)
        if (h.count == 0 || !holderAlive(h)) h = Holder{};
}

bool SharedObject::slotHeld(uint32_t slot) const {
    for (const Holder& h : header(base_)->holders)
        if (h.count > 0 && h.slot == slot) return true;
    return false;
}

bool SharedObject::unused() const {
    for (const Holder& h : header(base_)->holders)
        if (h.count > 0) return false;
    return true;
}

int SharedObject::holderPids(uint32_t slot, pid_t* pids) const {
    int n = 0;
    for (const Holder& h : header(base_)->holders)
        if (h.count > 0 && h.slot == slot) pids[n++] = h.pid;
    return n;
}

bool SharedObject::addHolder(uint32_t slot) {
    const pid_t self = getpid();
    Holder* free = nullptr;
    for (Holder& h : header(base_)->holders) {
        if (h.count > 0 && h.pid == self && h.slot == slot) {
            ++h.count;
            return true;
        }
        if (h.count == 0 && !free) free = &h;
    }
    if (!free) {
        errno = ENOSPC;
        return false;
    }
    *free = Holder{self, slot, processInfo(self).startTime, 1, 0};
    return true;
}

void SharedObject::dropHolder(uint32_t slot) {
    const pid_t self = getpid();
    for (Holder& h : header(base_)->holders)
        if (h.count > 0 && h.pid == self && h.slot == slot) {
            if (--h.count == 0) h = Holder{};
            return;
        }
}

bool SharedObject::stillLinked() const {
    int fd = shm_open(name_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW, 0);
    if (fd < 0) return false;
    struct stat st {};
    bool same = fstat(fd, &st) == 0 && st.st_dev == dev_ && st.st_ino == ino_;
    ::close(fd);
    return same;
}

void SharedObject::unlinkName() {
    if (stillLinked()) shm_unlink(name_.c_str());
}

} // namespace platform
