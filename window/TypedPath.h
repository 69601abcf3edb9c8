#pragma once

#include "FileUrl.h"

#include <QString>

namespace korvex {

/// The folder path for the text typed into the folder field: a leading "~" becomes
/// `homePath` (the rest follows it directly, so "~other/x" is `homePath` + "other/x"); any
/// other text is kept as it is. No other expansion, no trimming, no existence check.
QString folderPathForTypedText(const QString& text, const QString& homePath);

/// The directory URL of `path`; a path not beginning with "/" is taken relative to
/// `currentFolder`. The path becomes the bytes the file system knows it by.
FileUrl directoryUrlForPath(const QString& path, const QString& currentFolder);

/// The path of a file URL as text, for titles and messages.
QString displayPath(const FileUrl& url);

} // namespace korvex
