#pragma once
// Where memdemo's messages go: message boxes in the program, a record in the tests. The
// real-time worker reports its failures from its own thread, so an implementation must accept
// calls from any thread and must not make the caller wait for the user.

#include <string_view>

class DemoMessages {
public:
    virtual ~DemoMessages() = default;
    virtual void message(std::string_view text, std::string_view caption) = 0;
};
