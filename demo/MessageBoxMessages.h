#pragma once
// memdemo's messages as message boxes with their captions. A message from another thread is
// handed to the application's thread and shown there; the caller does not wait for it.

#include "demo/DemoMessages.h"

class MessageBoxMessages final : public DemoMessages {
public:
    void message(std::string_view text, std::string_view caption) override;
};
