#include "platform/errorreport.h"

#include <stdexcept>

ErrorReport::~ErrorReport() = default;

void runGuarded(ErrorReport &report, const std::function<void()> &work)
{
    try {
        work();
    } catch (const std::exception &error) {
        report.report(error);
    } catch (...) {
        report.report(std::runtime_error("Unknown error"));
    }
}
