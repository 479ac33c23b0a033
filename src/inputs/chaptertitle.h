#pragma once

#include <QString>

// The title a chapter gets from an input's file when the input has no title
// tag: the file name without its extension and without a leading track
// number and its separator ("01 - Intro", "01. Intro", "01_Intro", "01 Intro"
// are all "Intro"). A number without a leading zero stands only before a
// separator that is a mark, so that "99 Luftballons" and "2001 A Space
// Odyssey" keep theirs; a name that is only a number stays as it is.
namespace ChapterTitle {

QString fromFileName(const QString &path);

// Where an input's chapter title comes from when the user gave none: its title
// tag, else its file name; or its file name alone.
enum class Rule { Tags, Files };
QString byRule(const QString &path, Rule rule);

}  // namespace ChapterTitle
