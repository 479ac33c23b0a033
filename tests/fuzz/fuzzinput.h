#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// The parsers that read files get the fuzz input through a file of their own
// process's folder under the temporary folder, rewritten for every input.
class FuzzInput {
public:
    // Writes data to the process's input file named name and returns its path.
    static QString toFile(const std::uint8_t *data, std::size_t size, const QString &name);
};
