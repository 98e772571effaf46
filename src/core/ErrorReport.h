#pragma once
// The common error report: a procedure records its name on entry, and when one of its
// statements fails it shows "Error in <name>" with the failure's description and then
// returns to its caller as if it had completed.
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>

namespace mCore {

// Name of the procedure most recently entered. Deliberately never restored on return:
// the report names the last recorded procedure, which is how users and tests read it.
extern std::string_view CurrentProc;

extern const char* const ProgramTitle;  // "Glyphfall"

// Shows "Error in " + CurrentProc + CR LF + CR LF + description, title "Glyphfall", OK only.
void ReportError(std::string_view description);

// A failure inside a procedure: thrown where a statement fails, caught by Guarded.
class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs body as the procedure procName: records the name, and turns any failure into the
// error report. Returns false when the body failed (the procedure "returned" early).
// The name must be a literal: CurrentProc keeps viewing it long after the call.
template <size_t N, class Body>
bool Guarded(const char (&procName)[N], Body&& body) {
    CurrentProc = std::string_view(procName, N - 1);
    try {
        body();
        return true;
    } catch (const std::exception& failure) {
        // Only failures are caught: anything else thrown (a test's stand-in for ending the
        // process) passes through untouched.
        ReportError(failure.what());
    }
    return false;
}

}  // namespace mCore
