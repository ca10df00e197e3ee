#pragma once
// Failures of toolkit operations, and the construct that makes a procedure
// error-tolerant: a failing statement is skipped and the next one runs.

#include <stdexcept>
#include <string>

namespace tk {

// A run-time error raised by a toolkit operation in the calling procedure.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs one statement of an error-tolerant procedure; its failure is swallowed.
template <class Statement> void ResumeNext(Statement&& statement) noexcept
{
    try {
        statement();
    } catch (const std::exception&) {
    }
}

} // namespace tk
