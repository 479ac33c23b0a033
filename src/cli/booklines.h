#pragma once

#include <QString>

#include <optional>

// The progress of one book's join, as lines on its standard output for the
// batch that runs it (--each), beside the summary line the join prints.
namespace BookLines {

struct Progress {
    bool measuring = false;
    int percent = 0;
};

QString line(const Progress &progress);
// The progress a line tells, or nothing for any other line.
std::optional<Progress> read(const QString &line);

}  // namespace BookLines
