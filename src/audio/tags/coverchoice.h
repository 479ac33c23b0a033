#pragma once

#include <QString>

// Which front cover the next join's output carries: the one found among the
// inputs and beside them (automatic), a picture file the user chose, or none.
struct CoverChoice {
    enum class Kind { Automatic, File, None };

    Kind kind = Kind::Automatic;
    QString file;  // Kind::File only

    static CoverChoice chosen(const QString &fileName) { return {Kind::File, fileName}; }
    static CoverChoice none() { return {Kind::None, {}}; }

    bool operator==(const CoverChoice &other) const = default;
};
