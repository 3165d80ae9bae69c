#pragma once

#include <stdexcept>
#include <string>

// Every error the project storage raises; the command that called it shows what() to the user.
class StorageError : public std::runtime_error
{
public:
    explicit StorageError(const std::string& text) : std::runtime_error(text) {}
};
