#pragma once

#include <QStringList>

struct TagValues;

// Each book tag the user left unset takes the first input's value, read before
// anything is written; the window and the command line join alike.
void fillBookTagsFromFirstInput(TagValues &tags, const QStringList &inputs);
