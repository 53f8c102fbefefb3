#pragma once
// Keeps a failure that repeats from being shown again and again. A writer that fails on every
// line, or a poll that fails every second, shows its message once; the same message stays quiet
// until an attempt goes through, and a different message is shown at once.

#include <exception>
#include <functional>
#include <string>

class TRepeatFilter {
public:
    // Runs the attempt. A failure is raised unless it repeats the message of the failure before
    // it with no success in between; a success ends the run of failures.
    void Run(const std::function<void()>& attempt);

    // Notes the outcome of an attempt made elsewhere: rethrows `failure` unless it repeats the
    // last one; a null failure counts as a success.
    void Settle(std::exception_ptr failure);

    bool Failing() const { return FFailing; }

private:
    bool FFailing = false;
    std::string FLastMessage;
};
