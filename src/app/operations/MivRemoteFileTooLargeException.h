#pragma once

#include <stdexcept>

// Raised when the user declines to fetch a remote file that is too large to
// view, edit or browse locally. Not a failure: whoever opened the file ends
// the opening quietly, nothing shown and nothing logged as an error.
class MivRemoteFileTooLargeException : public std::runtime_error
{
public:
    static constexpr const char* kName = "RemoteFileTooLargeException";

    MivRemoteFileTooLargeException() : std::runtime_error("Remote File Too Large To View/Edit") {}
};
