#pragma once

#include <QString>

#include <taglib/id3v2.h>
#include <taglib/tstring.h>

// What every writer of ours that goes through TagLib shares.

// ID3v2.3: the version most players read; the tags and the chapters of a file
// are saved in it alike, so that neither save converts what the other wrote.
constexpr TagLib::ID3v2::Version kId3v2Version = TagLib::ID3v2::v3;

TagLib::String toTagLib(const QString &text);
