#pragma once
// The common part of the named events and sections: a POSIX shared memory object in the user's
// own namespace, with a header that holds a robust process-shared mutex and a table of the
// processes holding the object (or one of its slots), and a payload after it.
//
// - Names: "/corvane-<uid>-<name>", the name's characters other than letters, digits, '.', '_'
//   and '-' written as %XX, so "PowerManager/ReloadActivityTimeouts" stays one object name.
// - The object is created with mode 0600 and opened close-on-exec; an object of another user, or
//   one that others may read or write, is refused (EACCES).
// - Holders are counted per process and slot. A holder whose process has ended (or whose pid
//   now names a younger process) is dropped whenever the table is locked, so a killed program
//   never keeps an object alive or blocks the next one.
// - The creator initialises the header under an flock() of the object; an opener that finds an
//   object whose creator died before finishing initialises it again.
// - An object whose last holder leaves is unlinked under the mutex, so a later open makes a new
//   one. An opener that raced with that unlink sees that its object is no longer the one linked
//   under the name and tries again. The same covers logind removing the user's objects at logout.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace platform {

// The first part of every object name: $CORVANE_SHM_PREFIX when set, else "corvane". Tests give
// themselves a namespace of their own.
void setSharedObjectPrefix(std::string_view prefix);

// "/<prefix>-<uid>-<escaped name>", or an empty string when the name is empty or too long
// (errno EINVAL or ENAMETOOLONG).
std::string sharedObjectName(std::string_view name);
// "/<prefix>-<uid>.<table>": the name of one of the program's own tables, which no name that
// sharedObjectName makes can take.
std::string sharedTableName(std::string_view table);

class SharedObject {
public:
    static constexpr int kMaxHolders = 128;
    // The slot a holder of the whole object uses.
    static constexpr uint32_t kWholeObject = 0xFFFFFFFFu;

    // Maps the object `objectName` (a full name as sharedObjectName gives it) with payloadBytes of
    // payload, creating it unless existingOnly. Nothing, with errno and reason set, on failure;
    // errno ENOENT when existingOnly and the object does not exist.
    static std::unique_ptr<SharedObject> open(const std::string& objectName, size_t payloadBytes,
                                              bool existingOnly, std::string* reason);
    ~SharedObject();
    SharedObject(const SharedObject&) = delete;
    SharedObject& operator=(const SharedObject&) = delete;

    void* payload() const { return payload_; }
    size_t payloadBytes() const { return payloadBytes_; }
    // Device and inode of the object: two mappings with the same identity share their memory.
    bool sameObject(const SharedObject& other) const {
        return dev_ == other.dev_ && ino_ == other.ino_;
    }

    // Holds the object's mutex for its lifetime and drops the holders that have died. ok() is
    // false when the mutex could not be taken.
    class Lock {
    public:
        explicit Lock(SharedObject& object);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;
        bool ok() const { return locked_; }

    private:
        SharedObject& object_;
        bool locked_ = false;
    };

    // The functions below need the Lock.
    // True when some live process holds the slot.
    bool slotHeld(uint32_t slot) const;
    // True when no process holds anything in the object.
    bool unused() const;
    // The processes holding the slot, at most kMaxHolders of them, written into pids; returns
    // their number.
    int holderPids(uint32_t slot, pid_t* pids) const;
    // Counts one more handle of this process on slot; false when the table is full.
    bool addHolder(uint32_t slot);
    // Takes one handle of this process off slot.
    void dropHolder(uint32_t slot);
    // True while the object's name still leads to this object.
    bool stillLinked() const;
    // Removes the name when it still leads to this object.
    void unlinkName();

private:
    SharedObject() = default;
    void dropDeadHolders();

    std::string name_;
    int fd_ = -1;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
    void* base_ = nullptr;
    size_t mappedBytes_ = 0;
    void* payload_ = nullptr;
    size_t payloadBytes_ = 0;
};

} // namespace platform
