#pragma once

#include <cstddef>
#include <string>

namespace mailmoat {

class TmsMessage;

// Files the archive viewer hands to the desktop. Both are written into the program's private
// temporary folder (PrivateTempFolder), which goes at program exit, not when the window closes:
// the program the desktop starts may still be reading.

// Writes attachment `index` of `msg` under its sanitized name (TmsMessage::SafeTempFileName)
// and returns the file's path. Throws EAttachmentOpenError when there is no such attachment or
// its file name is blank, EInOutError when the file cannot be written.
std::string WriteAttachmentCopy(const TmsMessage& msg, std::size_t index);

// A copy of an archived file named after it with ".txt" added ("x.spam" -> "x.spam.txt"), so
// the desktop opens it in a text editor rather than in the mail program; returns its path.
// Throws EInOutError when the file cannot be read or the copy written.
std::string WriteSourceCopy(const std::string& archivePath);

}  // namespace mailmoat
