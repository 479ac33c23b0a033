#pragma once

#include "skin/skinelementdef.h"
#include "skin/skinlook.h"

#include <QString>

#include <vector>

// A parsed skin file: the window's look and its elements in drawing order.
// The format is a small INI-like text, described at the top of mp3enc.dll.
class SkinDocument {
public:
    // Reads and checks a skin file; throws SkinError naming the file and the fault.
    static SkinDocument load(const QString &path);
    // Parses skin text; origin names the text in error messages.
    static SkinDocument parse(const QString &text, const QString &origin);

    const SkinLook &look() const { return m_look; }
    const std::vector<SkinElementDef> &elements() const { return m_elements; }

private:
    SkinLook m_look;
    std::vector<SkinElementDef> m_elements;
};
