#pragma once

#include <exception>
#include <functional>

// The one place where errors that no command catches end up.
class ErrorReport {
public:
    virtual ~ErrorReport();
    virtual void report(const std::exception &error) = 0;
};

// Runs work that Qt called (a slot, an event handler, an event filter) and hands
// any error to the report: exceptions must never travel through Qt's event loop.
void runGuarded(ErrorReport &report, const std::function<void()> &work);
